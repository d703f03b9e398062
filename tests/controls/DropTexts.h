// Drag data as the desktop sends it, for the drop tests.
#pragma once

#include <string>

// ASCII text as UTF-16 little-endian bytes ("text/x-moz-url" carries links so).
inline std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}
