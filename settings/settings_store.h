// The user time, the chosen list entry and the signal under one registry key.
#pragma once

#include <windows.h>

#include <cstdint>

#include "countdown/clock.h"
#include "errors/error.h"

// HKEY_CURRENT_USER subkey; the trailing backslash is part of the name.
constexpr const char* kSettingsKey = "Software\\Dozewell Timer\\";
constexpr const char* kUserTimeValue = "User time";
constexpr const char* kSelectTimeValue = "Select time";
constexpr const char* kSignalValue = "Signal";

bool ReadSettings(error& record, ClockTime& userTime, std::uint32_t& selectedTime, std::int32_t& signalIndex);
bool ProbeUserTime();
void WriteSettings(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                   const std::uint32_t& selectedTime, const std::int32_t& signalIndex, ClockTime& userTime,
                   bool noStoredUserTime);

void OnLoadConfig(HWND dialog);
void OnSaveConfig(HWND dialog);
