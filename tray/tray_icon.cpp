#include "tray/tray_icon.h"

#include <shellapi.h>

#include "app/app_state.h"
#include "app/dialog_visibility.h"
#include "res/resource.h"
#include "tray/popup_menus.h"

namespace {
// The first form of the record: every shell version accepts it. It ends
// after the 64-character tip; wider handles make it longer on x64.
constexpr DWORD kFirstRecordSize = NOTIFYICONDATAA_V1_SIZE;
#if defined(_WIN64)
static_assert(kFirstRecordSize == 104);
#else
static_assert(kFirstRecordSize == 88);
#endif

void OnLeftButton(HWND dialog) {
    // A hidden dialog is never sent back: it may still be the active window
    // after the tray menu took the foreground with it, and this click is then
    // the user's way to bring it back.
    const bool sendBackClick = appState.hoverWindow == dialog && !appState.ringing && !appState.hidden;
    if (!sendBackClick) {
        appState.dialogActive = 1;
        BringToFront(dialog);
    } else if (appState.dialogActive) {
        BringToFront(dialog);
    } else {
        SendToBack(dialog);
    }
    appState.hoverWindow = nullptr;
    appState.hoverArmed = 1;
}
}  // namespace

void NotifyTray(HWND window, DWORD message, UINT id, HICON icon, const char* tip) {
    NOTIFYICONDATAA record{};
    record.cbSize = kFirstRecordSize;
    record.hWnd = window;
    record.uID = id;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    record.hIcon = icon;
    lstrcpynA(record.szTip, tip ? tip : "", 64);
    Shell_NotifyIconA(message, &record);
}

INT_PTR OnTrayNotify(HWND dialog, LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        // Remember which window was active as the pointer reached the icon:
        // a click takes the activation away before it is handled.
        if (appState.hoverArmed) {
            appState.hoverWindow = GetActiveWindow();
            appState.hoverArmed = 0;
        }
        break;
    case WM_LBUTTONDOWN: OnLeftButton(dialog); break;
    case WM_LBUTTONDBLCLK:
        if (appState.hidden == 0) HideDialog(dialog);
        break;
    case WM_RBUTTONDOWN: ShowMenuAtPointer(dialog, ShowTrayMenu); break;
    default: break;
    }
    // Handled, whatever the mouse did: the number is also DM_SETDEFID, which
    // the default dialog handling would take as "make control 0 the default
    // button", leaving Enter with none.
    return TRUE;
}

INT_PTR OnActivate(HWND, WPARAM state) {
    // The whole parameter is compared: a minimised window's state matches nothing.
    switch (state) {
    case WA_INACTIVE:
        appState.dialogActive = 0;
        appState.hoverArmed = 1;
        break;
    case WA_ACTIVE:
    case WA_CLICKACTIVE:
        appState.dialogActive = 1;
        appState.hoverArmed = 1;
        break;
    default: break;
    }
    return TRUE;
}

INT_PTR OnTaskbarCreated(HWND dialog) {
    // A restarted shell has forgotten the icon; without it a hidden window is out of reach.
    NotifyTray(dialog, NIM_ADD, 0, appState.trayIcon, kTrayTip);
    return FALSE;
}

void BringToFront(HWND window) {
    SetForegroundWindow(window);
    if (appState.hidden) ShowDialog(window);
}

void SendToBack(HWND window) {
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}
