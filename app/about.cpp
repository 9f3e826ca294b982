#include "app/about.h"

#include "app/app_state.h"

const char* const kAboutText =
    "       Dozewell Timer v0.2  \n"
    "\n"
    "     If this timer saves you time,\n"
    " tell a friend about it.\n"
    "\n"
    "          Written by the Dozewell Timer\n"
    "          developers.";

INT_PTR OnAbout(HWND dialog) {
    if (appState.aboutAllowed == 0) return TRUE;
    // Cleared before the box opens: F1 and the tray menu still reach us while it is open.
    appState.aboutAllowed = 0;
    // Then the box's own result: 1 (OK) in every ordinary case, and 0 for a box
    // that could not be shown, which leaves About unavailable for the rest of
    // the run and Exit grayed in the tray menu (PrepareTrayMenu).
    appState.aboutAllowed =
        static_cast<std::uint32_t>(MessageBoxA(dialog, kAboutText, "About...", MB_OK | MB_SYSTEMMODAL));
    return TRUE;
}
