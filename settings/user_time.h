// How the user time is packed into one stored 32-bit number.
#pragma once

#include <cstdint>

#include "countdown/clock.h"

// Byte 0 seconds, byte 1 minutes, bytes 2 and 3 hours.
constexpr std::uint32_t PackUserTime(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds) {
    return (hours << 16) | (minutes << 8) | seconds;
}

// The hours take the whole upper half; nothing is clamped here.
constexpr ClockTime UnpackUserTime(std::uint32_t value) {
    return ClockTime{value >> 16, (value >> 8) & 0xFF, value & 0xFF};
}
