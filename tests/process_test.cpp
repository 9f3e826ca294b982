// The real DozewellTimer.exe: one copy at a time, exit code 0 on every way
// out, and its notification-area icon gone when it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "res/resource.h"

namespace {
struct Copy {
    PROCESS_INFORMATION info{};
    ~Copy() {
        TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
};

bool Start(Copy& copy) {
    std::string path = std::getenv("DOZEWELL_EXE");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, path.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &copy.info);
}

// Polls for up to ten seconds: the first start of a program under Wine takes a while.
template <typename F>
auto Within10s(F condition) {
    auto result = condition();
    for (int i = 0; i < 200 && !result; ++i, Sleep(50)) result = condition();
    return result;
}

HWND MainDialog(const Copy& copy) {
    return Within10s([&] {
        for (HWND w = FindWindowA("#32770", "Dozewell Timer"); w;
             w = FindWindowExA(nullptr, w, "#32770", "Dozewell Timer")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == copy.info.dwProcessId && IsWindowVisible(w)) return w;
        }
        return HWND{};
    });
}

DWORD ExitCode(const Copy& copy) {
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(copy.info.hProcess, 10000);
    GetExitCodeProcess(copy.info.hProcess, &code);
    return code;
}

// Wine shows each notification-area icon as a window of this class, docked in
// its own tray window; that is the only way to see the icon from outside.
int Icons() {
    int count = 0;
    for (HWND tray = GetTopWindow(nullptr); tray; tray = GetWindow(tray, GW_HWNDNEXT))
        for (HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr); icon;
             icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr))
            ++count;
    return count;
}
}  // namespace

TEST(Process, OneCopyRunsEachWayOutEndsWithZeroAndTheIconGoes) {
    const struct {
        UINT message;
        WPARAM wParam;
    } ways[] = {{WM_COMMAND, IDCANCEL},
                {WM_SYSCOMMAND, SC_CLOSE},
                {WM_COMMAND, ID_EXIT},
                {WM_SYSCOMMAND, SC_MAXIMIZE}};
    const int icons = Icons();
    for (const auto& way : ways) {
        SCOPED_TRACE(way.wParam);
        Copy first, second;
        ASSERT_TRUE(Start(first));
        const HWND dialog = MainDialog(first);
        ASSERT_NE(dialog, nullptr) << "the program's dialog did not come up";
        ASSERT_TRUE(Within10s([&] { return Icons() == icons + 1; }))
            << "no notification-area icon window appeared";
        ASSERT_TRUE(Start(second));
        EXPECT_EQ(ExitCode(second), 0u);  // at once, leaving the first alone
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessageA(dialog, way.message, way.wParam, 0);
        if (way.wParam == SC_MAXIMIZE) PostMessageA(dialog, WM_COMMAND, ID_EXIT, 0);  // while counting down
        EXPECT_EQ(ExitCode(first), 0u);
        EXPECT_TRUE(Within10s([&] { return Icons() == icons; })) << "the icon stayed";
    }
}
