// The About box, opened by F1 and by the tray menu.
#pragma once

#include <windows.h>

extern const char* const kAboutText;

// At most one box at a time; aboutAllowed is cleared while it is open.
INT_PTR OnAbout(HWND dialog);
