// The desktop's folder dialog behind the folder picker, and the special folders' locations.
#include "platform/FolderPicker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "platform/qt/Application.h"

namespace {

QString Location(QStandardPaths::StandardLocation location) {
    QString path = QStandardPaths::writableLocation(location);
    return path.isEmpty() ? QDir::homePath() : path;
}

QString SpecialLocation(int csidl) {
    switch (csidl) {
        case 0:   // the desktop
        case 16:  // the desktop folder
        case 25:  // the common desktop folder
            return Location(QStandardPaths::DesktopLocation);
        case 5:
            return Location(QStandardPaths::DocumentsLocation);
        case 20:
            return Location(QStandardPaths::FontsLocation);
        case 21:
            return Location(QStandardPaths::TemplatesLocation);
        case 26:
            return Location(QStandardPaths::GenericDataLocation);
        default:
            return QDir::homePath();
    }
}

class DialogPicker : public FolderPicker {
public:
    bool Pick(const TFolderPickRequest& request, std::string& folder) override {
        folder.clear();
        QString root = request.SpecialRoot >= 0 ? SpecialLocation(request.SpecialRoot)
                                                : ToQString(request.RootFolder);
        QString start = request.StartFolder.empty() ? root : ToQString(request.StartFolder);
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, !request.ShowFiles);
        dialog.setWindowTitle(ToQString(request.Caption.empty() ? request.Title : request.Caption));
        if (!start.isEmpty()) dialog.setDirectory(start);
        if (request.OnSelectionChanged)
            QObject::connect(&dialog, &QFileDialog::directoryEntered, [&](const QString& dir) {
                request.OnSelectionChanged(FromQString(QDir::toNativeSeparators(dir)));
            });
        if (request.CenterOnScreen) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                dialog.adjustSize();
                QRect area = screen->availableGeometry();
                dialog.move(area.center() - dialog.rect().center());
            }
        }
        if (request.OnShown)
            QMetaObject::invokeMethod(
                &dialog, [&] { request.OnShown(); }, Qt::QueuedConnection);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        folder = FromQString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
        return true;
    }
};

}  // namespace

FolderPicker& DesktopFolderPicker() {
    static DialogPicker picker;
    return picker;
}

std::string SpecialFolderPath(int csidl) {
    return FromQString(SpecialLocation(csidl));
}
