// Turns an error record into the text and icon of its message box.
#pragma once

#include "errors/error.h"

// Message box icon styles (MB_ICONERROR, MB_ICONWARNING); kept here so the
// text logic builds without the platform headers.
constexpr unsigned kErrorIcon = 0x10;
constexpr unsigned kWarningIcon = 0x30;

struct ErrorText {
    char text[128];
    unsigned icon;
};

ErrorText ComposeErrorText(const error& record);
