// The program-wide state: one record, read and written on the GUI thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "countdown/clock.h"
#include "errors/error.h"

struct AppState {
    // Countdown and alarm.
    ClockTime clock{};
    std::uint32_t ringSeconds = 0;
    std::uint32_t selectedTime = 0;
    std::int32_t signalIndex = 0;

    std::uint8_t running = 0;
    std::uint8_t paused = 0;
    std::uint8_t timeUp = 0;
    std::uint8_t ringing = 0;
    std::uint8_t configLoaded = 0;
    std::uint8_t errorShowing = 0;
    std::uint8_t backgroundFits = 0;
    std::uint8_t dialogActive = 0;
    std::uint8_t hoverArmed = 1;

    std::uint32_t hidden = 0;
    std::uint32_t aboutAllowed = 1;  // 0 while an About box is open, then that box's result
    HWND hoverWindow = nullptr;
    error pendingError{};

    HINSTANCE instance = nullptr;
    HANDLE mutex = nullptr;
    HICON trayIcon = nullptr;
    HBRUSH backgroundBrush = nullptr;

    HWND spinHours = nullptr;
    HWND spinMinutes = nullptr;
    HWND spinSeconds = nullptr;
    HWND startButton = nullptr;
    HWND pauseButton = nullptr;
    HWND stopButton = nullptr;
    HWND timeList = nullptr;
    HWND signalList = nullptr;

    // The shell broadcasts this when its notification area is re-created.
    UINT taskbarCreatedMessage = 0;

    char textBuffer[260]{};
};

extern AppState appState;

// Colour of the static controls' background when the picture is shown.
constexpr COLORREF kBackgroundColour = RGB(0x43, 0xA9, 0xF9);
