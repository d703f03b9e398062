// The memo's value types: style bits, format codes, line and attribute records, text helpers.
#pragma once

#include <bitset>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"

// The memo's own failures: "Text too long", "Internal MarkMemo error", the consistency check.
LORVANE_EXCEPTION(EMarkMemoError, Exception);

inline constexpr int32_t MaxInt = INT32_MAX;
// The longest paragraph an edit or a load may make.
inline constexpr int32_t MaxParagraphLength = 2147483547;
// Parser nesting stops here: a record at level L names its key at KeyStack[L + 1].
inline constexpr int MaxNestingLevel = 14;

// The style byte.
enum : uint8_t {
    msBold = 0x01,
    msItalic = 0x02,
    msUnderline = 0x04,
    msStrikeOut = 0x08,
    msHighlight = 0x10,
    msAltFont = 0x20,
    msParser = 0x40,   // with msDynamic: made by the highlight parser
    msDynamic = 0x80,  // the record's own style, colours, context and cursor apply
    msFontBits = 0x2F  // the bits that choose a font
};

// Bytes inside the text that toggle the static style when StaticFormat is on.
enum : unsigned char {
    fcItalic = 1,
    fcBold = 2,
    fcHighlight = 3,
    fcAltFont = 4,
    fcTab = 9,
    fcUnderline = 21
};

// The style bit a format code toggles, 0 for any other byte.
inline constexpr uint8_t FormatCodeBit(unsigned char c) {
    switch (c) {
        case fcItalic:
            return msItalic;
        case fcBold:
            return msBold;
        case fcHighlight:
            return msHighlight;
        case fcAltFont:
            return msAltFont;
        case fcUnderline:
            return msUnderline;
        default:
            return 0;
    }
}
inline constexpr bool IsFormatCode(unsigned char c) {
    return FormatCodeBit(c) != 0;
}
// Applies a format code to a running style; false (style unchanged) for other bytes.
inline bool ApplyFormatCode(uint8_t& style, unsigned char c) {
    uint8_t bit = FormatCodeBit(c);
    style ^= bit;
    return bit != 0;
}
// The running style after the codes of `text`.
uint8_t AdvanceStaticStyle(uint8_t style, std::string_view text);

enum TMarkLineBreak { pbCRLF, pbLFCR, pbCR, pbLF };
enum TpmUpperCase { pmuAscii, pmuAnsi, pmuUserDefined };
enum TUpdateMode { umImmediate, umOnNeed, umBackground };

enum TMarkMemoOption : uint32_t {
    pmoKeepColumnPos = 1u << 0,
    pmoPutExtraSpaces = 1u << 1,
    pmoWrapCaret = 1u << 2,
    pmoInsertKeyActive = 1u << 3,
    pmoWideOverwriteCaret = 1u << 4,
    pmoLargeWordSelect = 1u << 5,
    pmoAutoScrollBars = 1u << 6,
    pmoNoDragnDrop = 1u << 7,
    pmoAutoIndent = 1u << 8,
    pmoBackIndent = 1u << 9,
    pmoWindowsSelColors = 1u << 10,
    pmoFullLineSelect = 1u << 11,
    pmoDiscardTrailingSpaces = 1u << 12,
    pmoNoFineScroll = 1u << 13,
    pmoNoLineSelection = 1u << 14,
    pmoBlockSelection = 1u << 15,
};
using TMarkMemoOptions = uint32_t;

// One display line of a paragraph (offsets within the paragraph).
struct TLineRec {
    int32_t StartOffset = 0;
    int32_t EndOffset = 0;
    int32_t Width = 0;      // without the blanks at which the line broke
    int32_t FullWidth = 0;  // with them
    int32_t Reserved = 0;
    int32_t SpaceCount = 0;   // blanks that justification stretches
    int32_t JustifyFrom = 0;  // offset after the line's last tab
    uint8_t StartStyle = 0;   // static style at the line's start
    int32_t StartAttr = 0;    // records at or before the line's start (0 = the start state)
    friend bool operator==(const TLineRec&, const TLineRec&) = default;
};

// An attribute record: in force from Offset to the next record or the paragraph end.
struct TAttributeRec {
    int32_t Offset = 0;
    uint8_t Style = 0;
    int8_t Level = -1;  // parser nesting; -1 = none
    int32_t BackColor = 0;
    int32_t TextColor = 0;
    int16_t Context = 0;  // non-zero makes the range clickable
    int16_t Cursor = 0;
    uint16_t KeyStack[16] = {};  // entry n: the key that opened level n-1
    uint8_t KeyRemain = 0;
    uint8_t KeyLength = 0;
    // Kept in memory only: a record that a keyword match pushed from its start to its end,
    // so that removing the match can give the record its range back.
    bool Pushed = false;
    // Kept in memory only: the range is drawn with the wavy special underline. No record sets
    // it unless its maker asks for it.
    bool SpecialUnderline = false;

    bool Dynamic() const { return Style & msDynamic; }
    bool ParserMade() const { return (Style & (msParser | msDynamic)) == (msParser | msDynamic); }
    // The key that opened this record's level, or -1 when it has none.
    int OwnKey() const { return Level >= 0 && Level < 15 ? KeyStack[Level + 1] : -1; }
    bool IsKeywordRecord() const { return ParserMade() && OwnKey() >= 0 && OwnKey() < 32768; }
    bool IsStartStopRecord() const { return ParserMade() && OwnKey() >= 32768; }
    // Writes a key; indices outside the stack are refused.
    bool SetKey(int index, uint16_t key) {
        if (index < 0 || index > 15) return false;
        KeyStack[index] = key;
        return true;
    }
    // Equal in everything but Offset.
    bool SameState(const TAttributeRec& o) const;
    friend bool operator==(const TAttributeRec&, const TAttributeRec&) = default;
};

// The state in force at a paragraph's start, shared by runs of paragraphs.
using TStartState = std::shared_ptr<const TAttributeRec>;
TStartState FreshStartState();  // Level -1, style and colours 0
TStartState NewStartState(const TAttributeRec& from);

// Effective style of a character: a dynamic record's own style, else the static style
// toggling the base font's style bits.
inline uint8_t EffectiveStyle(const TAttributeRec& inForce, uint8_t staticStyle,
                              uint8_t fontStyle) {
    if (inForce.Dynamic()) return inForce.Style;
    return uint8_t(((staticStyle ^ fontStyle) & 0x0F) | (staticStyle & (msHighlight | msAltFont)));
}

// Upper-casing of the matcher.
using TUserUpperCase = void (*)(std::string& text);
void SetUserUpperCase(TUserUpperCase proc);  // process-wide; nullptr = ASCII
void UpperCaseInPlace(std::string& text, TpmUpperCase kind);

using TSeparatorSet = std::bitset<256>;
TSeparatorSet DefaultSeparators();

// The text without its trailing tabs and blanks.
std::string_view TrimTrailingBlanks(std::string_view s);
// A steady real clock in milliseconds, for the time slices of background work (user-interface
// timing reads TickCount, platform/EventLoop.h).
double MonotonicMs();

// Tab-expanded columns: the first index whose column count reaches `column`, with the column
// reached; format codes count 0 when skipCodes.
int ColumnToIndex(std::string_view text, int column, int tabSize, bool skipCodes,
                  int* reached = nullptr);
int ColumnRemainder(std::string_view text, int column, int tabSize, bool skipCodes);
