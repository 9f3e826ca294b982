#include "countdown/clock.h"

ClockTime PresetTable[kPresetCount] = {
    {0, 0, 0},   // User time
    {0, 1, 0},   // 1 min
    {0, 5, 0},   // 5 min
    {0, 10, 0},  // 10 min
    {0, 15, 0},  // 15 min
    {0, 30, 0},  // 30 min
    {1, 0, 0},   // 1 hour
    {1, 30, 0},  // 1 hour 30 min
    {2, 0, 0},   // 2 hour
    {2, 30, 0},  // 2 hour 30 min
    {3, 0, 0},   // 3 hour
};

bool TickClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds) {
    if (seconds > 0) {
        --seconds;
        return false;
    }
    if (minutes > 0) {
        --minutes;
        seconds = 59;
        return false;
    }
    if (hours > 0) {
        --hours;
        minutes = 59;
        seconds = 59;
        return false;
    }
    return true;
}

bool ClampClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds) {
    bool changed = false;
    if (hours >= 25) {
        hours = 24;
        changed = true;
    }
    if (minutes >= 60) {
        minutes = 59;
        changed = true;
    }
    if (seconds >= 60) {
        seconds = 59;
        changed = true;
    }
    return changed;
}
