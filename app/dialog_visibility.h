// Hiding and showing the main dialog, and the one place that keeps `hidden` in step with the window.
#pragma once

#include <windows.h>

void HideDialog(HWND dialog);

// Shows the dialog with ShowWindow, or, given a place in the z-order, with
// SetWindowPos there (which also activates it).
void ShowDialog(HWND dialog, HWND insertAfter = nullptr);

// On every change of the window's place or visibility; left to the default handling too.
INT_PTR OnWindowPosChanged(HWND dialog);

// The hide that OnWindowPosChanged posts for a window minimised by others.
INT_PTR OnHideMinimised(HWND dialog);
