// Process entry: one copy at a time, then the host dialog until the end.
#include <windows.h>

#include <commctrl.h>

#include "app/app_state.h"
#include "app/host_dialog.h"

namespace {
INITCOMMONCONTROLSEX commonControls;
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Only the name matters; the mutex is never owned or waited on.
    appState.mutex = CreateMutexA(nullptr, FALSE, "DTcPyRunBlk");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    commonControls.dwSize = sizeof commonControls;
    commonControls.dwICC = 0xFF;
    InitCommonControlsEx(&commonControls);

    DialogBoxParamA(instance, "DIALOG_DESCTOP_WND", nullptr, HostDialogProc, 0);
    return 0;
}
