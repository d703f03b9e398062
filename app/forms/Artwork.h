// The program's pictures, drawn in code: tool-bar icons, the tree's folder images and the
// program icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The icon of a tool button by its name ("tbOpenButton", ...); a plain mark for others.
QIcon ToolIcon(const QString& buttonName);
// A folder for category level 1, 2 or 3 (images 0, 1, 2 of the tree), size x size pixels (16
// on a screen at its own scale).
QPixmap FolderPixmap(int level, int size = 16);
// The program's icon at a size.
QPixmap ProgramPixmap(int size);
