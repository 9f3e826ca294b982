// Benchmark floor: one empty dialog and a one-second timer, nothing else.
#include <windows.h>

namespace {
INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: SetTimer(dialog, 1, 1000, nullptr); return TRUE;
    case WM_TIMER: return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
        return TRUE;
    default: return FALSE;
    }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DialogBoxParamA(instance, "BARE_FLOOR", nullptr, BareProc, 0);
    return 0;
}
