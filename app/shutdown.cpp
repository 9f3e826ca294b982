#include "app/shutdown.h"

#include <shellapi.h>

#include "app/app_state.h"
#include "res/resource.h"
#include "tray/tray_icon.h"

void ExitApplication(HWND dialog) {
    KillTimer(dialog, TIMER_ID);
    // Released before the dialogs end, so a new copy can start at once.
    CloseHandle(appState.mutex);
    NotifyTray(dialog, NIM_DELETE, 0, appState.trayIcon, appState.textBuffer);
    EndDialog(dialog, 0);
}
