// The real DozewellTimer.exe: one copy at a time, exit code 0 on every way out, and its notification-area
// icon gone when it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <process.h>

#include <functional>
#include <string>

#include "res/resource.h"

namespace {
// Waits up to ten seconds: a program's first start under Wine takes a while.
bool Within10s(const std::function<bool()>& condition) {
    for (int i = 0; i < 200 && !condition(); ++i) Sleep(50);
    return condition();
}
// Wine shows each notification-area icon as a window of this class: the one way to see it from outside.
int Icons() {
    int count = 0;
    for (HWND tray = GetTopWindow(nullptr); tray; tray = GetWindow(tray, GW_HWNDNEXT))
        for (HWND icon = nullptr; (icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr));)
            ++count;
    return count;
}
HANDLE Start() {
    return (HANDLE)_spawnl(_P_NOWAIT, std::getenv("DOZEWELL_EXE"), "DozewellTimer.exe", nullptr);
}
DWORD ExitCode(HANDLE process) {  // once it has ended, within ten seconds
    DWORD code = WaitForSingleObject(process, 10000) ? STILL_ACTIVE : 0;
    GetExitCodeProcess(process, &code);
    return TerminateProcess(process, 1), CloseHandle(process), code;
}
}  // namespace

TEST(Process, OneCopyRunsEachWayOutEndsWithZeroAndTheIconGoes) {
    const int icons = Icons();
    const std::pair<UINT, WPARAM> exits[] = {{WM_COMMAND, IDCANCEL},
                                             {WM_SYSCOMMAND, SC_CLOSE},
                                             {WM_COMMAND, ID_EXIT},
                                             {WM_SYSCOMMAND, SC_MAXIMIZE}};
    for (const auto& [message, wParam] : exits) {
        const HANDLE first = Start();
        HWND dialog = nullptr;
        ASSERT_TRUE(Within10s([&] {
            return IsWindowVisible(dialog = FindWindowA("#32770", "Dozewell Timer")) && Icons() == icons + 1;
        })) << "the dialog or its notification-area icon did not come up";
        EXPECT_EQ(ExitCode(Start()), 0u);  // a second copy ends at once and leaves the first alone
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessageA(dialog, message, wParam, 0);
        if (wParam == SC_MAXIMIZE) {  // counts down from 0:0:0: the alarm rings, on top
            EXPECT_TRUE(Within10s([&] { return GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST; }));
            PostMessageA(dialog, WM_COMMAND, ID_EXIT, 0);
        }
        EXPECT_EQ(ExitCode(first), 0u) << wParam;
        EXPECT_TRUE(Within10s([&] { return Icons() == icons; })) << "the icon stayed after " << wParam;
    }
}
