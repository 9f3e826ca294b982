// The message boxes that report a failed command.
#pragma once

#include <windows.h>

#include "errors/error.h"

void ReportError(HWND dialog, const error& caught);
void ReportUnknownError(HWND dialog);
