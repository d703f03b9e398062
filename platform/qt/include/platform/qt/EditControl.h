// The Qt widget behind an in-place editor, for tests that drive it with Qt events.
#pragma once

#include "platform/EditControl.h"

class QLineEdit;

QLineEdit* EditWidget(TEditControl& edit);
