#include "app/dialog_visibility.h"

#include "app/app_state.h"

namespace {
// Set, not flipped: a hide of a hidden window must not turn the flag around.
void SetShown(HWND dialog, bool shown, HWND insertAfter) {
    // A window hidden while minimised would come back minimised.
    if (shown && IsIconic(dialog)) ShowWindow(dialog, SW_RESTORE);
    if (!shown)
        ShowWindow(dialog, SW_HIDE);
    else if (!insertAfter)
        ShowWindow(dialog, SW_SHOW);
    else
        SetWindowPos(dialog, insertAfter, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    appState.hidden = shown ? 0 : 1;
}
}  // namespace

void HideDialog(HWND dialog) {
    SetShown(dialog, false, nullptr);
}

void ShowDialog(HWND dialog, HWND insertAfter) {
    SetShown(dialog, true, insertAfter);
}
