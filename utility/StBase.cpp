// The integer text parser; the exception family lives in the header.
#include "StBase.h"

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

}  // namespace

void ParseLongText(std::string_view s, int32_t& value, int32_t& errorPos) {
    std::string text(s);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    value = 0;
    if (text.empty()) {
        errorPos = -1;
        return;
    }

    const size_t first = text.find_first_not_of(' ');  // 0-based; the text is not all blanks
    const bool trailingH = UpperAscii(text.back()) == 'H';
    if (trailingH) {
        if (first == text.size() - 1) {
            errorPos = int32_t(text.size());
            return;
        }
        // "1A2Bh" -> "$1A2B": the digits move one place right over the "h".
        text.pop_back();
        text.insert(first, 1, '$');
    } else if (first + 1 < text.size() && text[first] == '0' &&
               UpperAscii(text[first + 1]) == 'X') {
        text[first] = ' ';
        text[first + 1] = '$';
    }

    int32_t parsed = 0;
    const int code = ValInt(text, parsed);
    if (code == 0) {
        value = parsed;
        errorPos = 0;
    } else {
        // For the "h" form the inserted "$" shifted every position by one.
        errorPos = trailingH ? code - 1 : code;
    }
}
