#include "errors/error_text.h"

#include <cstring>

namespace {

void SetText(ErrorText& out, const char* text) {
    out.text[0] = '\0';
    std::strncat(out.text, text, sizeof out.text - 1);
}

void AppendText(ErrorText& out, const char* text) {
    std::strncat(out.text, text, sizeof out.text - 1 - std::strlen(out.text));
}

// The value lines shared by the read and the write reports, in key order.
void AppendValueLines(ErrorText& out, std::uint32_t flags) {
    if (flags & 0x2) AppendText(out, "user time\n");
    if (flags & 0x4) AppendText(out, "selected time\n");
    if (flags & 0x8) AppendText(out, "signal\n");
}

}  // namespace

// Words are taken in order; a later word's text replaces an earlier one's,
// while the warning icon of an unreadable key stays.
ErrorText ComposeErrorText(const error& record) {
    ErrorText out{};
    out.icon = kErrorIcon;

    if (record.timerFlags & kNoTimer) SetText(out, "No timer is available\n");

    if (record.readFlags & kReadKeyFailed) {
        SetText(out, "Can't read configurations");
        out.icon = kWarningIcon;
    } else if (record.readFlags != 0) {
        SetText(out, "Can't read data from registry: \n\n");
        AppendValueLines(out, record.readFlags);
    }

    if (record.writeFlags & kWriteKeyFailed) {
        SetText(out, "Can't open registry key");
    } else if (record.writeFlags != 0) {
        SetText(out, "Can't write data in registry: \n\n");
        AppendValueLines(out, record.writeFlags);
        if (record.writeFlags == kWriteCloseFailed)
            SetText(out, "Can't close registry key");
        else if (record.writeFlags & kWriteCloseFailed)
            AppendText(out, "\nCan't close registry key");
    }
    return out;
}
