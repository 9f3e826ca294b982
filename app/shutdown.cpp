#include "app/shutdown.h"

#include <shellapi.h>

#include "app/app_state.h"
#include "app/main_dialog.h"
#include "res/resource.h"
#include "tray/tray_icon.h"

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

void ExitApplication(HWND dialog) {
    KillTimer(dialog, TIMER_ID);
    // Released before the dialogs end, so a new copy can start at once.
    CloseHandle(appState.mutex);
    NotifyTray(dialog, NIM_DELETE, 0, appState.trayIcon, appState.textBuffer);
    EndDialog(dialog, 0);
}
