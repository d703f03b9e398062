// Time pictures such as "mm:ss" or "h:mm t" filled with a count of seconds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Runs of h, m and s take the hours, minutes and seconds (lower case pads with "0", upper
// case with a blank), "t" the AM/PM text with a 12-hour clock, ":" the locale's time
// separator. Seconds = NoTime blanks every field. Pack drops the blanks of padded fields.
std::string FormatTimePicture(std::string_view picture, uint32_t seconds, bool pack);
