// The countdown's hours/minutes/seconds value and its arithmetic.
#pragma once

#include <cstdint>

struct ClockTime {
    std::uint32_t hours;
    std::uint32_t minutes;
    std::uint32_t seconds;
};

constexpr int kPresetCount = 11;

// Durations behind the Select time list, by list position. Entry 0 is the
// user time, written only by the settings store.
extern ClockTime PresetTable[kPresetCount];

// One second down with borrow. True only when all three were already zero.
// Takes three counts rather than a ClockTime so the alarm can count its own
// seconds in place of the clock's.
bool TickClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds);

// Brings each count into 0..24 / 0..59 / 0..59 on its own, without carry.
// True when anything changed.
bool ClampClock(std::uint32_t& hours, std::uint32_t& minutes, std::uint32_t& seconds);
