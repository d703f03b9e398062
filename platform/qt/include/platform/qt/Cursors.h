// The TCursor -> QCursor table that the control host and the form controls share.
#pragma once

#include <QCursor>

#include "platform/Cursors.h"

// The desktop's shape for a stock number, our own picture for a drawn one (platform/Cursors.h).
// crDefault gives the arrow; a control shows crDefault by not setting a cursor of its own.
QCursor ToQCursor(TCursor cursor);
