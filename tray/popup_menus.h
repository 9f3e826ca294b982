// The tray menu and the dialog's context menu, and the two commands only they give.
#pragma once

#include <windows.h>

// Show/Hide labels by the hidden flag.
extern const char* const DisplayLabels[2];

void ShowTrayMenu(HWND window, int x, int y);
void PrepareTrayMenu(HMENU menu);
void SetTrayMenuTime(HWND window, HMENU menu);
void ShowContextMenu(HWND window, int x, int y);
void OnDisplayWindow(HWND window);
// Opens one of the two menus where the pointer is.
void ShowMenuAtPointer(HWND window, void (*show)(HWND window, int x, int y));
