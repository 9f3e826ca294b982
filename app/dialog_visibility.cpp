#include "app/dialog_visibility.h"

#include "app/app_state.h"
#include "res/resource.h"

namespace {
void SetShown(HWND dialog, bool shown, HWND insertAfter) {
    // A window hidden while minimised would come back minimised.
    if (shown && IsIconic(dialog)) ShowWindow(dialog, SW_RESTORE);
    if (!shown)
        ShowWindow(dialog, SW_HIDE);
    else if (!insertAfter)
        ShowWindow(dialog, SW_SHOW);
    else
        SetWindowPos(dialog, insertAfter, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
}
}  // namespace

void HideDialog(HWND dialog) {
    SetShown(dialog, false, nullptr);
}

void ShowDialog(HWND dialog, HWND insertAfter) {
    SetShown(dialog, true, insertAfter);
}

INT_PTR OnWindowPosChanged(HWND dialog) {
    // Whoever showed or hid the window (this program, or another one's
    // ShowWindow), the icon and the tray menu must go by what it shows.
    appState.hidden = IsWindowVisible(dialog) ? 0 : 1;
    // Minimised without the minimize box (ShowWindow from another program,
    // also while hidden): hidden as the box would, so that the icon and the
    // tray menu bring it back. Posted, so that the change is complete first.
    if (IsIconic(dialog) && !appState.hidden) PostMessageA(dialog, WM_HIDE_MINIMISED, 0, 0);
    return FALSE;
}

INT_PTR OnHideMinimised(HWND dialog) {
    // A restore queued with the minimise may have come first: that window stays.
    if (IsIconic(dialog)) HideDialog(dialog);
    return TRUE;
}
