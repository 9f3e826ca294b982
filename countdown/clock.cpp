#include "countdown/clock.h"

namespace {
constexpr std::array<ClockTime, kPresetCount> PresetDurations() {
    std::array<ClockTime, kPresetCount> durations{};
    for (int i = 0; i < kPresetCount; ++i) durations[i] = kPresets[i].duration;
    return durations;
}
}  // namespace

std::array<ClockTime, kPresetCount> PresetTable = PresetDurations();

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
