#include "errors/error_report.h"

#include "app/app_state.h"
#include "errors/error_text.h"

static_assert(kErrorIcon == MB_ICONERROR && kWarningIcon == MB_ICONWARNING);

void ReportError(HWND dialog, const error& caught) {
    // Set before the box opens: its message loop lets the tray menu open meanwhile.
    appState.errorShowing ^= 1;
    const ErrorText report = ComposeErrorText(caught);
    MessageBoxA(dialog, report.text, "Error", report.icon);
    appState.errorShowing ^= 1;
    appState.pendingError = error{};
}

void ReportUnknownError(HWND dialog) {
    MessageBoxA(dialog, "Unknow error", "Error", MB_ICONERROR);
}
