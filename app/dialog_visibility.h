// Hiding and showing the main dialog: the one place that keeps `hidden` in step with the window.
#pragma once

#include <windows.h>

void HideDialog(HWND dialog);

// Shows the dialog with ShowWindow, or, given a place in the z-order, with
// SetWindowPos there (which also activates it).
void ShowDialog(HWND dialog, HWND insertAfter = nullptr);
