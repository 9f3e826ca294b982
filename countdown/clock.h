// The countdown's hours/minutes/seconds value, its arithmetic and the presets.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

struct ClockTime {
    std::uint32_t hours;
    std::uint32_t minutes;
    std::uint32_t seconds;
};

struct Preset {
    const char* listText;
    ClockTime duration;
};

// The Select time list, in list order, with each entry's duration. The
// stored "Select time" setting is a position in this list, so a new entry
// goes at the end.
// clang-format off
inline constexpr Preset kPresets[] = {
    {"User time",     {0, 0, 0}},  // the user time: see PresetTable
    {"1 min",         {0, 1, 0}},
    {"5 min",         {0, 5, 0}},
    {"10 min",        {0, 10, 0}},
    {"15 min",        {0, 15, 0}},
    {"30 min",        {0, 30, 0}},
    {"1 hour",        {1, 0, 0}},
    {"1 hour 30 min", {1, 30, 0}},
    {"2 hour",        {2, 0, 0}},
    {"2 hour 30 min", {2, 30, 0}},
    {"3 hour",        {3, 0, 0}},
};
// clang-format on
constexpr int kPresetCount = static_cast<int>(std::size(kPresets));

// The durations of kPresets by list position, as the program uses them.
// Entry 0 is the user time, written only by the settings store.
extern std::array<ClockTime, kPresetCount> PresetTable;

// One second down with borrow. True only when all three were already zero.
// Takes three counts rather than a ClockTime so the alarm can count its own
// seconds in place of the clock's.
bool TickClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds);

// Brings each count into 0..24 / 0..59 / 0..59 on its own, without carry.
// True when anything changed.
bool ClampClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds);
