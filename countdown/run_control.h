// Start, pause, stop, the one-second tick, the alarm and its sounds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <iterator>

struct Signal {
    const char* listText;
    const char* sound;  // a WAVE resource of res/DozewellTimer.rc, or none
};

// The Select signal list, in list order, with the sound each entry plays.
// The stored "Signal" setting is a position in this list, so saved settings
// depend on the order: a new sound goes at the end. It may go before
// "No signal" only together with a remapping of the stored positions.
// clang-format off
inline constexpr Signal SoundTable[] = {
    {"Beep",      "BEEP"},
    {"Buzz",      "BUZZ"},
    {"Cuckoo",    "CUCKOO"},
    {"No signal", nullptr},
};
// clang-format on
constexpr int kSignalCount = static_cast<int>(std::size(SoundTable));

// True when the index names an entry that plays a sound.
bool SignalHasSound(std::int32_t signalIndex);

void SetRunControls(HWND dialog, bool on);
// Starts the alarm once a tick has found the clock at zero; OnCommand runs it
// ahead of every command.
void CheckTimeUp(HWND dialog);
void OnStart(HWND dialog);
void OnPause(HWND dialog);
void OnStop(HWND dialog);
void OnSelectSignal(HWND dialog);
INT_PTR OnTimerTick(HWND dialog, UINT_PTR timer);
