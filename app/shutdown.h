// The one way out: Esc, the close box and both Exit items end here.
#pragma once

#include <windows.h>

void ExitApplication(HWND dialog);
