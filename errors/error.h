// The failure record raised from inside a command and reported by OnCommand.
#pragma once

#include <cstdint>

// Six plain words; raised and caught by value.
struct error {
    std::uint32_t timerFlags;
    std::uint32_t readFlags;
    std::uint32_t writeFlags;
    std::uint32_t reserved[3];
};

// timerFlags
constexpr std::uint32_t kNoTimer = 0x1;

// readFlags
constexpr std::uint32_t kReadKeyFailed = 0x1;
constexpr std::uint32_t kReadUserTimeFailed = 0x2;
constexpr std::uint32_t kReadSelectTimeFailed = 0x4;
constexpr std::uint32_t kReadSignalFailed = 0x8;

// writeFlags
constexpr std::uint32_t kWriteKeyFailed = 0x1;
constexpr std::uint32_t kWriteUserTimeFailed = 0x2;
constexpr std::uint32_t kWriteSelectTimeFailed = 0x4;
constexpr std::uint32_t kWriteSignalFailed = 0x8;
constexpr std::uint32_t kWriteCloseFailed = 0x10;
