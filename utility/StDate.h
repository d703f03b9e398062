// Counts of seconds split into hours, minutes and seconds, and the time of day in seconds.
#pragma once

#include <cstdint>

// The seconds value that stands for "no time".
inline constexpr uint32_t NoTime = 0xFFFFFFFFu;

// H = Seconds div 3600, M and S the rest; NoTime gives 0, 0, 0.
void SecondsToHMS(uint32_t seconds, int& h, int& m, int& s);

// The local time of day in whole seconds, 0 .. 86399.
uint32_t SecondsSinceMidnight();
