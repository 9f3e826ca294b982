// The host dialog that owns the main dialog, and the one way out.
#pragma once

#include <windows.h>

INT_PTR CALLBACK HostDialogProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam);
void ExitApplication(HWND dialog);
