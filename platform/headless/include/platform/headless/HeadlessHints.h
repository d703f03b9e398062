// What the headless hint window was asked to show, for tests.
#pragma once

#include <vector>

#include "platform/HintWindow.h"

// Every activation, oldest first.
const std::vector<THintWindowData>& HeadlessHintHistory();
void ClearHeadlessHintHistory();
// Whether the windows of the controls count as active (they do unless a test says otherwise).
void SetHeadlessWindowsActive(bool active);
