// The information panel's text. Free of any display: the main window shows it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "BankModel.h"

class TMarkMemo;

// The field labels the panel highlights (case-sensitive, also inside words).
inline constexpr std::array<const char*, 14> InfoPanelLabels = {"Rating:",
                                                                "Description:",
                                                                "Category_1:",
                                                                "Category_2:",
                                                                "Category_3:",
                                                                "URL:",
                                                                "EMail:",
                                                                "User ID PassWord:",
                                                                "User ID:",
                                                                "Change Date:",
                                                                "Confidential Notes:",
                                                                "Last Access:",
                                                                "Access Count:",
                                                                "Notes:"};
// How each label is highlighted: case-sensitive, not whole word; the highlight style; context 1.
inline constexpr uint8_t InfoLabelOptions = 1;
inline constexpr uint8_t InfoLabelStyle = 16;
inline constexpr int16_t InfoLabelContext = 1;
// The name's dynamic style: bold, drawn black on yellow.
inline constexpr uint8_t InfoNameStyle = 1;
inline constexpr int32_t InfoNameBackColor = 0x0000FFFF;
inline constexpr int32_t InfoNameTextColor = 0;

// The panel's lines for one entry; NameLine is the line shown in bold (the trimmed name).
struct TEntryInfoText {
    std::vector<std::string> Lines;
    int NameLine = 1;
};
TEntryInfoText BuildEntryInfo(const TEntry& entry);
// What Show User ID Password and Show Confidential Notes add below the entry's text (nothing
// for empty confidential notes).
std::vector<std::string> PasswordInfoLines(const TEntry& entry);
std::vector<std::string> ConfNotesInfoLines(const TEntry& entry);

// Fills the panel's memo with an entry: the labels as highlight keywords, then the entry's
// lines in one update, the name in its style (an empty name gets none: there is nothing to set
// apart).
void FillInfoMemo(TMarkMemo& memo, const TEntry& entry);
// Adds lines at the end of the panel's memo in one update.
void AddInfoMemoLines(TMarkMemo& memo, const std::vector<std::string>& lines);
