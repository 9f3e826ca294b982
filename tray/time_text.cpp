#include "tray/time_text.h"

namespace {
char* AppendCount(char* out, std::uint32_t count) {
    if (count < 10) *out++ = '0';
    char digits[10];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + count % 10);
        count /= 10;
    } while (count != 0);
    while (length > 0) *out++ = digits[--length];
    return out;
}
}  // namespace

void FormatTrayTime(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds, char (&text)[33]) {
    char* out = AppendCount(text, hours);
    *out++ = ':';
    out = AppendCount(out, minutes);
    *out++ = ':';
    out = AppendCount(out, seconds);
    *out = '\0';
}
