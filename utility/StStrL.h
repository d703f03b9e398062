// Routines over strings of any length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The keyed scrambling of ScrambleShortStr without the length cap.
std::string ScrambleLongStr(std::string_view s, std::string_view key);

std::string IntegerLongStr(int32_t l);

// S when it is at least Len long, else Len - Length(S) copies of Ch followed by S.
std::string LeftPadCharLongStr(std::string_view s, char ch, int32_t len);
std::string LeftPadLongStr(std::string_view s, int32_t len);

std::string GroupThousandsCharLongStr(int32_t l, char sep);
std::string GroupThousandsLongStr(int32_t l);

// Pos is the 1-based position of the first C, or 0 when there is none.
bool CharPosLongStr(std::string_view s, char c, int32_t& pos);
