// The real DozewellTimer.exe: one copy at a time, the alarm on top, and exit code 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <process.h>
#include <sddl.h>

static bool Within10s(auto condition) {  // a program's first start under Wine is slow
    for (int i = 0; i < 200 && !condition(); ++i) Sleep(50);
    return condition();
}
static HANDLE Start() {
    return (HANDLE)_spawnl(_P_NOWAIT, std::getenv("DOZEWELL_EXE"), "DozewellTimer.exe", nullptr);
}
static DWORD ExitCode(HANDLE process) {  // once it has ended, within ten seconds
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    TerminateProcess(process, 1);
    return code;
}

TEST(Process, OneCopyRunsTheAlarmRingsOnTopAndTheCloseBoxEndsItWithZero) {
    // A copy elevated or of another user holds a guard that this user may not open: it counts all the same.
    SECURITY_ATTRIBUTES systemOnly{sizeof systemOnly, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;GA;;;SY)", 1,
                                                         &systemOnly.lpSecurityDescriptor, nullptr);
    const HANDLE elevated = CreateMutexA(&systemOnly, FALSE, "DTcPyRunBlk");
    EXPECT_EQ(ExitCode(Start()), 0u);
    CloseHandle(elevated);
    const HANDLE first = Start();
    HWND dialog = nullptr;
    ASSERT_TRUE(Within10s([&] { return IsWindowVisible(dialog = FindWindowA("#32770", "Dozewell Timer")); }));
    EXPECT_EQ(ExitCode(Start()), 0u);  // a second copy ends at once, leaving the first alone
    PostMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);  // hides and counts down from 0:0:0
    EXPECT_TRUE(Within10s([&] { return GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST; }));
    EXPECT_TRUE(IsWindowVisible(dialog));  // and shown again, with the sound loaded at this first alarm
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCode(first), 0u);
}
