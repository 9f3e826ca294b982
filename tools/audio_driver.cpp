// Drives a running Dozewell Timer for tools/audio-check.sh, the way a user would:
//   audio_driver ring SIGNAL MILLISECONDS   choose the signal, start from 0:0:0, let the
//                                           alarm ring that long, then press Stop
//   audio_driver exit                       press Esc
// Prints the wall-clock times (Unix milliseconds) of the alarm's start and of Stop,
// which the script lines up with its recording.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "res/resource.h"

namespace {

long long UnixMilliseconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000;
}

bool Topmost(HWND dialog) {
    return (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && !(dialog = FindWindowA("#32770", "Dozewell Timer")); ++i) Sleep(50);
    if (!dialog) {
        std::printf("error: no Dozewell Timer window\n");
        return 2;
    }
    if (argc == 2 && std::strcmp(argv[1], "exit") == 0) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (argc != 4 || std::strcmp(argv[1], "ring") != 0) {
        std::printf("usage: audio_driver ring SIGNAL MILLISECONDS | exit\n");
        return 2;
    }
    const HWND signals = GetDlgItem(dialog, IDC_SIGNAL_LIST);
    SendMessageA(signals, CB_SETCURSEL, std::atoi(argv[2]), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SIGNAL_LIST, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(signals));
    for (int field : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) SetDlgItemTextA(dialog, field, "0");
    SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
    // Started from 0:0:0 the alarm comes with the first tick, about a second later.
    long long ring = 0;
    for (int i = 0; i < 1000 && !ring; ++i) Topmost(dialog) ? void(ring = UnixMilliseconds()) : Sleep(5);
    if (!ring) {
        std::printf("error: the alarm did not start\n");
        return 3;
    }
    Sleep(std::atoi(argv[3]));
    const long long stop = UnixMilliseconds();
    SendMessageA(dialog, WM_COMMAND, IDC_STOP, 0);
    std::printf("ring %lld\nstop %lld\n", ring, stop);
    if (Topmost(dialog) || !IsWindowEnabled(GetDlgItem(dialog, IDC_START))) {
        std::printf("error: Stop did not end the alarm\n");
        return 3;
    }
    return 0;
}
