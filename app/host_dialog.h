// The never-shown host dialog that owns the main dialog.
#pragma once

#include <windows.h>

INT_PTR CALLBACK HostDialogProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam);
