#include "tray/popup_menus.h"

#include "app/app_state.h"
#include "app/dialog_visibility.h"
#include "res/resource.h"
#include "tray/time_text.h"

const char* const DisplayLabels[2] = {"Hide", "Show"};

namespace {
constexpr UINT kGrayed = MF_BYCOMMAND | MF_GRAYED;
constexpr UINT kNewText = MF_BYCOMMAND | MF_STRING;

void SetItemText(HMENU menu, UINT id, const char* text) {
    ModifyMenuA(menu, id, kNewText, id, text);
}

// A menu of a window that is not in the foreground does not close when the
// user clicks elsewhere, so the menu's owner is brought forward first. Not
// the host dialog: its style is WS_CHILD alone, and such a window is never
// made the foreground window, so the time item would always read "Error".
bool TakeForeground(HWND window) {
    if (SetForegroundWindow(window)) return true;
    Sleep(50);
    return SetForegroundWindow(window) != 0;
}
}  // namespace

void ShowTrayMenu(HWND window, int x, int y) {
    HMENU menu = LoadMenuA(appState.instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    PrepareTrayMenu(popup);
    SetTrayMenuTime(window, popup);
    if (!TakeForeground(window)) SetItemText(popup, ID_TRAY_TIME, "Error");
    TrackPopupMenu(popup, 0, x, y, 0, window, nullptr);
    // Without a message after it, a notification icon's menu can close as
    // soon as it opens the next time (TrackPopupMenu's documentation).
    PostMessageA(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void PrepareTrayMenu(HMENU menu) {
    if (appState.running) {
        EnableMenuItem(menu, ID_START, kGrayed);
        if (appState.ringing) EnableMenuItem(menu, ID_PAUSE, kGrayed);
    } else {
        EnableMenuItem(menu, ID_PAUSE, kGrayed);
        EnableMenuItem(menu, ID_STOP, kGrayed);
    }
    // The label goes first: changing a text re-enables the item.
    SetItemText(menu, ID_DISPLAY_WINDOW, DisplayLabels[appState.hidden & 1]);
    // Exit as well: it would end the dialog under the open About box. After a
    // box that could not be shown this holds for the rest of the run; Esc, the
    // close box and the context menu's Exit remain.
    if (appState.aboutAllowed == 0) {
        EnableMenuItem(menu, ID_ABOUT, kGrayed);
        EnableMenuItem(menu, ID_EXIT, kGrayed);
    }
    if (appState.errorShowing) {
        EnableMenuItem(menu, ID_START, kGrayed);
        EnableMenuItem(menu, ID_DISPLAY_WINDOW, kGrayed);
        EnableMenuItem(menu, ID_ABOUT, kGrayed);
        EnableMenuItem(menu, ID_EXIT, kGrayed);
    }
}

void SetTrayMenuTime(HWND window, HMENU menu) {
    // The fields as they stand, which is what the user sees.
    const UINT hours = GetDlgItemInt(window, IDC_HOURS, nullptr, FALSE);
    const UINT minutes = GetDlgItemInt(window, IDC_MINUTES, nullptr, FALSE);
    const UINT seconds = GetDlgItemInt(window, IDC_SECONDS, nullptr, FALSE);
    char text[33];
    FormatTrayTime(hours, minutes, seconds, text);
    SetItemText(menu, ID_TRAY_TIME, text);
    if (appState.errorShowing) EnableMenuItem(menu, ID_TRAY_TIME, kGrayed);
}

void ShowContextMenu(HWND window, int x, int y) {
    HMENU menu = LoadMenuA(appState.instance, MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (appState.running) {
        EnableMenuItem(popup, ID_RESET_TIMER, kGrayed);
        EnableMenuItem(popup, ID_LOAD_CONFIG, kGrayed);
    }
    TrackPopupMenu(popup, 0, x, y, 0, window, nullptr);
    DestroyMenu(menu);
}

void OnDisplayWindow(HWND window) {
    if (appState.hidden == 0) {
        HideDialog(window);
        return;
    }
    // Through the topmost group so the window comes in front of everything;
    // a ringing alarm keeps it there.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ShowDialog(window, appState.ringing ? nullptr : HWND_NOTOPMOST);
}

void ShowMenuAtPointer(HWND window, void (*show)(HWND window, int x, int y)) {
    // Where the pointer is now, not where it was when the button went down.
    POINT pointer{};
    GetCursorPos(&pointer);
    show(window, pointer.x, pointer.y);
}
