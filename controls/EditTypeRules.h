// The typed edit's rules without a widget: masks, key filter, conversions and ranges.
#pragma once

#include <string>
#include <string_view>

#include "platform/DateTime.h"
#include "platform/Graphics.h"

enum TTypeForEdit {
    teString,
    teStringUpper,
    teStringLower,
    teNumber,
    teInteger,
    teDateTime,
    teShortDateTime,
    teDateShortTime,
    teShortDateShortTime,
    teDate,
    teShortDate,
    teTime,
    teShortTime,
    tePhone,
    tePhoneExt,
    teSocial,
    teZIPCode,
};

// A scoped enumeration: "bsNone" also names a border style elsewhere.
enum class TSMButtonStyle {
    bsNone,
    bsCustom,
    bsDropDown,
    bsEllipsis,
    bsCalculator,
    bsCalendar,
    bsFile,
    bsDirectory,
    bsOk,
    bsCancel,
    bsFind,
    bsSearch,
    bsSum,
};

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// The edit mask a type sets, in the form library's syntax ("" for none), and its case.
std::string EditMaskFor(TTypeForEdit type);
TEditCharCase CharCaseFor(TTypeForEdit type);
// The button width of a style; the drop-down button is as wide as a scroll bar.
int ButtonWidthFor(TSMButtonStyle style, int scrollBarWidth);

// A mask split into its three fields: the picture, the keep-literals digit and the blank.
struct TEditMaskParts {
    std::string Picture;
    char KeepLiterals = '1';
    char Blank = '_';
};
TEditMaskParts SplitEditMask(std::string_view mask);

// The same mask in Qt's input-mask syntax: the form library's "0" (digit required) is Qt's
// "9" and its "9" (digit optional) Qt's "0"; letters and other classes map likewise; "!" is
// dropped; characters special only to Qt are escaped.
std::string QtInputMask(std::string_view mask);
// The text without the mask's literal characters; blanks read as spaces.
std::string StripMaskLiterals(std::string_view mask, std::string_view text);
// A masked edit's display text as the program sees it: unfilled places are spaces.
std::string BlanksToSpaces(std::string_view mask, std::string_view display);

// A converted value: empty, a number (integers and date-times are numbers too) or a text.
struct TTypedValue {
    enum class TKind { vkEmpty, vkNumber, vkInteger, vkDateTime, vkString };
    TKind Kind = TKind::vkEmpty;
    double Number = 0;
    std::string Text;
    bool IsEmpty() const { return Kind == TKind::vkEmpty; }
    int AsInteger() const { return int(Number); }
};
// Numbers compare as numbers, texts byte by byte.
int CompareTypedValues(const TTypedValue& a, const TTypedValue& b);

// Raises EConvertError "\"<text>\" is not a valid number" (integer number, date/time, date,
// time) when the text does not convert. An empty text, or one that is only literals and
// blanks, is the empty value.
TTypedValue ConvertTypedValue(TTypeForEdit type, std::string_view mask, const std::string& text);
// Raises ERangeError "Value <text> out of range <min>..<max>" when the value lies outside
// the inclusive bounds; an empty bound is no bound, an empty value is outside any bound.
void CheckTypedRange(TTypeForEdit type, std::string_view mask, const std::string& text,
                     const std::string& minValue, const std::string& maxValue);

// The character a typed key inserts after the filter, or 0 when it is refused. Numbers turn
// "," and "." into the decimal separator and take it once; integer, date and time kinds
// take digits and signs only.
char FilterTypedKey(TTypeForEdit type, char key, std::string_view text, char decimalSeparator);

// Date and time texts in the locale's order and separators ("/" and ":" are always read).
bool TryTextToDate(std::string_view text, TDateTime& value);
bool TryTextToTime(std::string_view text, TDateTime& value);
bool TryTextToDateTime(std::string_view text, TDateTime& value);

// The smallest edit height for a character height h: h + h div 4 + 4 borders + 1.
int EditMinHeight(int charHeight);
// Where the embedded button goes inside an edit with the given frame width.
TRect EditButtonRect(int width, int height, int buttonWidth, int frame);
