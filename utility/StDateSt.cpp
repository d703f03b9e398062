// Filling time pictures: fields right-aligned in their runs, AM/PM text, locale separator.
#include "StDateSt.h"

#include <vector>

#include <platform/DateTime.h>

#include "StDate.h"

namespace {

// One picture position and what it turns into.
struct Cell {
    char Ch = ' ';
    bool Field = false;      // stood for a field letter, so Pack may drop it when blank
    bool Separator = false;  // becomes the locale's time separator, which may be longer
};

bool IsLetter(char c, char lower) {
    return c == lower || c == char(lower - 'a' + 'A');
}

bool IsLowerAscii(char c) {
    return c >= 'a' && c <= 'z';
}

// The rightmost run of `letter` takes the digits of `value` from its right end; every other
// occurrence of the letter becomes a blank.
void FillRun(std::string_view picture, std::vector<Cell>& cells, char letter, int value) {
    size_t end = picture.size();
    while (end > 0 && !IsLetter(picture[end - 1], letter)) --end;
    if (end == 0) return;
    size_t begin = end - 1;
    while (begin > 0 && IsLetter(picture[begin - 1], letter)) --begin;

    const std::string digits = std::to_string(value);
    for (size_t k = 0; k < picture.size(); ++k) {
        if (!IsLetter(picture[k], letter)) continue;
        Cell& cell = cells[k];
        cell.Field = true;
        if (k < begin || k >= end) {
            cell.Ch = ' ';
            continue;
        }
        const size_t fromRight = end - 1 - k;
        if (fromRight < digits.size())
            cell.Ch = digits[digits.size() - 1 - fromRight];
        else
            cell.Ch = IsLowerAscii(picture[k]) ? '0' : ' ';
    }
}

std::string Cut7(const std::string& text) {
    return text.substr(0, 7);
}

}  // namespace

std::string FormatTimePicture(std::string_view picture, uint32_t seconds, bool pack) {
    const LocaleInfo& locale = FormatSettings();
    const bool hasTime = seconds != NoTime;
    int h = 0, m = 0, s = 0;
    SecondsToHMS(seconds, h, m, s);

    const size_t firstT = picture.find('t');
    const std::string am = Cut7(locale.TimeAMString);
    const std::string pm = Cut7(locale.TimePMString);
    const std::string& dayHalf = h < 12 ? am : pm;
    if (firstT != std::string_view::npos && !am.empty() && !pm.empty()) {
        if (h == 0)
            h = 12;
        else if (h > 12)
            h -= 12;
    }

    std::vector<Cell> cells(picture.size());
    for (size_t k = 0; k < picture.size(); ++k) cells[k].Ch = picture[k];

    if (hasTime) {
        FillRun(picture, cells, 'h', h);
        FillRun(picture, cells, 'm', m);
        FillRun(picture, cells, 's', s);
    } else {
        for (size_t k = 0; k < picture.size(); ++k) {
            if (IsLetter(picture[k], 'h') || IsLetter(picture[k], 'm') ||
                IsLetter(picture[k], 's')) {
                cells[k].Ch = ' ';
                cells[k].Field = true;
            }
        }
    }

    for (size_t k = 0; k < picture.size(); ++k)
        if (picture[k] == ':') cells[k].Separator = true;

    if (firstT != std::string_view::npos) {
        if ((am.empty() && pm.empty()) || (!hasTime && am.empty())) {
            cells[firstT].Ch = ' ';
            cells[firstT].Field = true;
        } else {
            // One character of the text per "t"; a run longer than the text gets blanks.
            for (size_t k = firstT; k < picture.size() && picture[k] == 't'; ++k) {
                const size_t at = k - firstT;
                cells[k].Ch = at < dayHalf.size() ? dayHalf[at] : ' ';
                cells[k].Field = true;
            }
        }
    }

    std::string result;
    result.reserve(picture.size());
    for (const Cell& cell : cells) {
        if (cell.Separator)
            result += locale.TimeSeparator;
        else if (!(pack && hasTime && cell.Field && cell.Ch == ' '))
            result += cell.Ch;
    }
    return result;
}
