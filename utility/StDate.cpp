// Seconds split into hours, minutes and seconds, and the local time of day.
#include "StDate.h"

#include <chrono>
#include <ctime>

void SecondsToHMS(uint32_t seconds, int& h, int& m, int& s) {
    if (seconds == NoTime) {
        h = m = s = 0;
        return;
    }
    h = int(seconds / 3600);
    m = int(seconds % 3600 / 60);
    s = int(seconds % 60);
}

uint32_t SecondsSinceMidnight() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    // A leap second (tm_sec 60) must not reach 86400.
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return uint32_t(seconds < 86400 ? seconds : 86399);
}
