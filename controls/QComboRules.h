// The combo box's completion rule: typed text completes to the first matching list item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The completion of typed text: the item's index (-1: none), its text, and the selection
// that covers the completed part. Nothing completes after Backspace or Delete, nor an empty
// text (cutting everything must leave the box empty).
struct TQuickCompletion {
    int Index = -1;
    std::string Text;
    int SelStart = 0;
    int SelLength = 0;
};
TQuickCompletion QuickComplete(const std::vector<std::string>& items, const std::string& typed,
                               uint16_t lastKey);
