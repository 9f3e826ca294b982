// The notification-area icon and what its mouse messages do.
#pragma once

#include <windows.h>

// Shown when the pointer rests on the icon.
constexpr const char* kTrayTip = "Dozewell Timer";

// Adds or deletes the icon; the shell's answer is not examined.
void NotifyTray(HWND window, DWORD message, UINT id, HICON icon, const char* tip);

INT_PTR OnTrayNotify(HWND dialog, LPARAM mouseMessage);
INT_PTR OnActivate(HWND dialog, WPARAM state);
INT_PTR OnTaskbarCreated(HWND dialog);
void BringToFront(HWND window);
void SendToBack(HWND window);
