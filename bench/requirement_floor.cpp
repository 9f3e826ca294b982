// Benchmark floor: the program's own resources and dialog doing only what is
// required of it (both lists filled from the program's tables, the tray icon, the three fields written
// once a second), with none of the program's logic.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "countdown/clock.h"
#include "countdown/run_control.h"
#include "res/resource.h"

namespace {
NOTIFYICONDATAA icon;
UINT seconds;

void FillLists(HWND dialog) {
    for (const Preset& preset : kPresets)
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(preset.listText));
    for (const Signal& signal : SoundTable)
        SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(signal.listText));
}

INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        FillLists(dialog);
        icon.cbSize = 88;
        icon.hWnd = dialog;
        icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        icon.uCallbackMessage = WM_TRAYNOTIFY;
        icon.hIcon = LoadIconA(GetModuleHandleA(nullptr), "ICON");
        lstrcpyA(icon.szTip, "Dozewell Timer");
        Shell_NotifyIconA(NIM_ADD, &icon);
        SetTimer(dialog, TIMER_ID, 1000, nullptr);
        return TRUE;
    case WM_TIMER:
        ++seconds;
        SetDlgItemInt(dialog, IDC_HOURS, seconds / 3600, FALSE);
        SetDlgItemInt(dialog, IDC_MINUTES, seconds / 60 % 60, FALSE);
        SetDlgItemInt(dialog, IDC_SECONDS, seconds % 60, FALSE);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            Shell_NotifyIconA(NIM_DELETE, &icon);
            EndDialog(dialog, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    DialogBoxParamA(instance, "IDD_TMP", nullptr, FloorProc, 0);
    return 0;
}
