#include "app/host_dialog.h"

#include "app/app_state.h"
#include "app/main_dialog.h"

INT_PTR CALLBACK HostDialogProc(HWND host, UINT message, WPARAM, LPARAM) {
    // The host is never shown: it exists so the main dialog is an owned window
    // without a taskbar button of its own.
    if (message == WM_INITDIALOG) {
        appState.instance = GetModuleHandleA(nullptr);
        DialogBoxParamA(appState.instance, "IDD_TMP", host, MainDialogProc, 0);
        EndDialog(host, 0);
    }
    return FALSE;
}
