// Start, pause, stop, the one-second tick and the alarm.
#pragma once

#include <windows.h>

#include <cstdint>

// WAVE resource names by signal-list position; position 3 is "No signal".
extern const char* const SoundTable[3];

// True when the index names one of the sounds (0 to 2).
bool SignalHasSound(std::int32_t signalIndex);

void SetRunControls(HWND dialog, bool on);
void CheckTimeUp(HWND dialog);
void OnStart(HWND dialog);
void OnPause(HWND dialog);
void OnStop(HWND dialog);
void OnSelectSignal(HWND dialog);
INT_PTR OnTimerTick(HWND dialog);
