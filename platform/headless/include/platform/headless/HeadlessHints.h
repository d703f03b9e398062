// What the headless hint window was asked to show, for tests.
#pragma once

#include <vector>

#include "platform/HintWindow.h"

// Every activation, oldest first.
const std::vector<THintWindowData>& HeadlessHintHistory();
void ClearHeadlessHintHistory();
