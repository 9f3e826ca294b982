// The real DozewellTimer.exe: one copy at a time, exit code 0 on every way
// out, and its notification-area icon gone when it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "res/resource.h"

namespace {
// Polls for up to ten seconds: a program's first start under Wine takes a while.
template <typename F>
auto Within10s(F condition) {
    auto result = condition();
    for (int i = 0; i < 200 && !result; ++i, Sleep(50)) result = condition();
    return result;
}

// Wine shows each notification-area icon as a window of this class in its own
// tray window: the one way to see the icon from outside.
int Icons() {
    int count = 0;
    for (HWND tray = GetTopWindow(nullptr); tray; tray = GetWindow(tray, GW_HWNDNEXT))
        for (HWND icon = nullptr; (icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr));)
            ++count;
    return count;
}

struct Copy {
    PROCESS_INFORMATION info{};
    explicit Copy(std::string path = std::getenv("DOZEWELL_EXE")) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        EXPECT_TRUE(CreateProcessA(nullptr, path.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info));
    }
    ~Copy() {
        TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    HWND Dialog() const {
        return Within10s([&] {
            HWND dialog = nullptr;
            DWORD pid = 0;
            while ((dialog = FindWindowExA(nullptr, dialog, "#32770", "Dozewell Timer")) &&
                   !(GetWindowThreadProcessId(dialog, &pid) && pid == info.dwProcessId &&
                     IsWindowVisible(dialog))) {
            }
            return dialog;
        });
    }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        WaitForSingleObject(info.hProcess, 10000);
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};
}  // namespace

TEST(Process, OneCopyRunsEachWayOutEndsWithZeroAndTheIconGoes) {
    // winmm is loaded at the first alarm; Wine refuses it to a copy under a name of its own, which
    // must then ring silently.
    char folder[MAX_PATH];
    const std::string exe = std::getenv("DOZEWELL_EXE"),
                      quiet =
                          std::string(folder, GetTempPathA(MAX_PATH, folder)) + "DozewellTimerNoWinmm.exe";
    CopyFileA(exe.c_str(), quiet.c_str(), FALSE);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\DozewellTimerNoWinmm.exe\\DllOverrides",
                    "winmm", REG_SZ, "", 1);
    const int icons = Icons();
    for (const auto& [message, wParam, path] :
         {std::tuple<UINT, WPARAM, std::string>{WM_COMMAND, IDCANCEL, exe},
          {WM_SYSCOMMAND, SC_CLOSE, exe},
          {WM_COMMAND, ID_EXIT, exe},
          {WM_SYSCOMMAND, SC_MAXIMIZE, exe},
          {WM_SYSCOMMAND, SC_MAXIMIZE, quiet}}) {
        SCOPED_TRACE(path + " " + std::to_string(wParam));
        Copy first(path);
        const HWND dialog = first.Dialog();
        ASSERT_TRUE(dialog) << "the program's dialog did not come up";
        ASSERT_TRUE(Within10s([&] { return Icons() == icons + 1; }))
            << "no notification-area icon window appeared";
        EXPECT_EQ(Copy().ExitCode(), 0u);  // a second copy ends at once and leaves the first alone
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessageA(dialog, message, wParam, 0);
        if (wParam == SC_MAXIMIZE) {  // counts down from 0:0:0; the alarm brings the window back on top
            EXPECT_TRUE(Within10s([&] { return GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST; }));
            PostMessageA(dialog, WM_COMMAND, ID_EXIT, 0);
        }
        EXPECT_EQ(first.ExitCode(), 0u);
        EXPECT_TRUE(Within10s([&] { return Icons() == icons; })) << "the icon stayed";
    }
    DeleteFileA(quiet.c_str());
}
