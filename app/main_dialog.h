// The main dialog: set-up and the routing of every message and command.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR OnInitDialog(HWND dialog);
INT_PTR OnCommand(HWND dialog, UINT id, UINT code);
INT_PTR OnSysCommand(HWND dialog, WPARAM command);
INT_PTR OnCtlColorStatic(HDC context);
INT_PTR OnRightButtonDown(HWND dialog);
// The keyboard's request for the context menu, at the focused control.
INT_PTR OnContextMenu(HWND dialog, HWND control, LPARAM where);
bool BackgroundFits(HWND dialog, HWND picture);
