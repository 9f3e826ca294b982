// One copy at a time, and exit code 0 on every way out, with the real program.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "harness/process.h"
#include "res/resource.h"

namespace {

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override { process::EndAllCopies(); }
    void TearDown() override { process::EndAllCopies(); }
};

TEST_F(ProcessTest, SecondCopyEndsAtOnceAndLeavesTheFirstAlone) {
    process::Copy first, second;
    ASSERT_TRUE(process::Start(first));
    const HWND dialog = process::WaitMainDialog(first);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_MINUTES, "7");
    RECT before{}, after{};
    GetWindowRect(dialog, &before);

    ASSERT_TRUE(process::Start(second));
    EXPECT_EQ(process::WaitExit(second, 5000), 0u);
    EXPECT_EQ(process::WaitExit(first, 0), STILL_ACTIVE);
    EXPECT_TRUE(IsWindowVisible(dialog));
    GetWindowRect(dialog, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    char minutes[8] = {};
    GetDlgItemTextA(dialog, IDC_MINUTES, minutes, sizeof minutes);
    EXPECT_STREQ(minutes, "7");
    EXPECT_EQ(process::WaitMainDialog(first, 0), dialog);
}

TEST_F(ProcessTest, EscAndCloseEndWithExitCodeZero) {
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"Esc key", [](HWND dialog) { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Esc command", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"close while counting down",
         [](HWND dialog) {
             SetDlgItemTextA(dialog, IDC_SECONDS, "30");
             SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_STOP)));
             PostMessageA(dialog, WM_CLOSE, 0, 0);
         }},
    };
    // Each copy starts only once the one before has given up the guard.
    for (const auto& [name, end] : ways) {
        SCOPED_TRACE(name);
        process::Copy copy;
        ASSERT_TRUE(process::Start(copy));
        const HWND dialog = process::WaitMainDialog(copy);
        ASSERT_NE(dialog, nullptr);
        end(dialog);
        EXPECT_EQ(process::WaitExit(copy), 0u);
        EXPECT_FALSE(IsWindow(dialog));
    }
}

TEST_F(ProcessTest, TwoCopiesStartedTogetherLeaveOneRunning) {
    process::Copy copies[2];
    ASSERT_TRUE(process::Start(copies[0]));
    ASSERT_TRUE(process::Start(copies[1]));
    const HANDLE handles[] = {copies[0].info.hProcess, copies[1].info.hProcess};
    const DWORD first = WaitForMultipleObjects(2, handles, FALSE, 10000) - WAIT_OBJECT_0;
    ASSERT_LT(first, 2u) << "neither copy ended";
    const process::Copy& ended = copies[first];
    const process::Copy& running = copies[1 - first];
    EXPECT_EQ(process::WaitExit(ended, 0), 0u);
    EXPECT_EQ(process::WaitMainDialog(ended, 0), nullptr);
    const HWND dialog = process::WaitMainDialog(running);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(process::WaitExit(running, 500), STILL_ACTIVE);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(process::WaitExit(running), 0u);
}

}  // namespace
