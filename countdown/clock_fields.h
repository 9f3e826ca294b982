// The three time fields of the main dialog and the commands that only set them.
#pragma once

#include <windows.h>

#include "countdown/clock.h"

// Empty or non-numeric text reads as 0.
ClockTime ReadClockFields(HWND dialog);

// Writes hours, minutes, seconds in that order. Each write notifies the
// dialog before it returns.
void WriteClockFields(HWND dialog, const ClockTime& value);

void OnSelectTime(HWND dialog);
void OnResetTimer(HWND dialog);
