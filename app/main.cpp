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
    // A copy started by another user or elevated holds the name where this
    // user may not open it: that is refused, not reported as existing.
    appState.mutex = CreateMutexA(nullptr, FALSE, "DTcPyRunBlk");
    const DWORD guard = GetLastError();
    if (guard == ERROR_ALREADY_EXISTS || guard == ERROR_ACCESS_DENIED) return 0;

    commonControls.dwSize = sizeof commonControls;
    commonControls.dwICC = 0xFF;
    InitCommonControlsEx(&commonControls);

    DialogBoxParamA(instance, "DIALOG_DESCTOP_WND", nullptr, HostDialogProc, 0);
    return 0;
}
