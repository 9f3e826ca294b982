#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "harness/process.h"
#include "res/resource.h"

namespace {

void Command(HWND dialog, UINT id, LPARAM control = 0, UINT code = 0) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), control);
}
bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}
bool GuardHeld() {
    const HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "DTcPyRunBlk");
    if (mutex) CloseHandle(mutex);  // our own handle must not keep the name alive
    return mutex != nullptr;
}
BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && lstrcmpA(caption, "Dozewell Timer") == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Rings with the looping "Beep": 0, 0, 0 started rings at the first tick.
bool Ring(HWND dialog) {
    for (int field : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) SetDlgItemTextA(dialog, field, "0");
    const HWND signals = GetDlgItem(dialog, IDC_SIGNAL_LIST);
    SendMessageA(signals, CB_SETCURSEL, 0, 0);
    Command(dialog, IDC_SIGNAL_LIST, reinterpret_cast<LPARAM>(signals), CBN_SELCHANGE);
    Command(dialog, IDC_START);
    for (int i = 0; i < 60 && !(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST); ++i) Sleep(50);
    return (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) && !Enabled(dialog, IDC_PAUSE) &&
           Enabled(dialog, IDC_STOP);
}

}  // namespace

class ReliabilityProcessTest : public ::testing::Test {
  protected:
    void SetUp() override { process::EndAllCopies(); }
    void TearDown() override { process::EndAllCopies(); }
};

// Each copy is driven into one state and ended one way; the next copy starts right after it has gone.
TEST_F(ReliabilityProcessTest, ExitsWithZeroFromEveryStateAndFreesTheGuard) {
    const std::pair<const char*, bool (*)(HWND)> states[] = {
        {"stopped", [](HWND d) { return Enabled(d, IDC_START); }},
        {"running", [](HWND d) { return Command(d, IDC_START), Enabled(d, IDC_PAUSE); }},
        {"paused", [](HWND d) { return Command(d, IDC_START), Command(d, IDC_PAUSE), Enabled(d, IDC_STOP); }},
        {"ringing", Ring},
        {"hidden",
         [](HWND d) { return SendMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0), !IsWindowVisible(d); }},
        {"hidden, then ringing",
         [](HWND d) { return SendMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0), Ring(d); }},
    };
    const std::pair<UINT, WPARAM> exits[] = {
        {WM_COMMAND, IDCANCEL}, {WM_CLOSE, 0}, {WM_COMMAND, ID_EXIT}, {WM_SYSCOMMAND, SC_CLOSE}};
    process::Copy copies[std::size(states) + 1];
    ASSERT_TRUE(process::Start(copies[0]));
    HWND dialog = process::WaitMainDialog(copies[0]);
    for (size_t i = 0; i < std::size(states); ++i) {
        ASSERT_NE(dialog, nullptr) << "no dialog from the copy started after "
                                   << (i ? states[i - 1].first : "none");
        EXPECT_TRUE(states[i].second(dialog)) << states[i].first;
        EXPECT_TRUE(GuardHeld());
        PostMessageA(dialog, exits[i % 4].first, exits[i % 4].second, 0);
        EXPECT_EQ(process::WaitExit(copies[i]), 0u) << states[i].first;
        EXPECT_FALSE(GuardHeld()) << states[i].first;
        ASSERT_TRUE(process::Start(copies[i + 1]));
        dialog = process::WaitMainDialog(copies[i + 1]);
    }
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(process::WaitExit(copies[std::size(states)]), 0u);
}

TEST_F(ReliabilityProcessTest, OfTwentyCopiesStartedTogetherExactlyOneRuns) {
    process::Copy copies[20];
    for (process::Copy& copy : copies) ASSERT_TRUE(process::Start(copy));
    std::vector<DWORD> codes(20, STILL_ACTIVE);
    for (DWORD start = GetTickCount();
         std::count(codes.begin(), codes.end(), STILL_ACTIVE) > 1 && GetTickCount() - start < 60000;
         Sleep(50))
        for (int i = 0; i < 20; ++i) codes[i] = process::WaitExit(copies[i], 0);
    Sleep(1000);  // and the one left keeps running
    for (int i = 0; i < 20; ++i) codes[i] = process::WaitExit(copies[i], 0);
    ASSERT_EQ(std::count(codes.begin(), codes.end(), STILL_ACTIVE), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0u), 19);
    const process::Copy& survivor =
        copies[std::find(codes.begin(), codes.end(), STILL_ACTIVE) - codes.begin()];
    const HWND dialog = process::WaitMainDialog(survivor);
    int dialogs = 0;
    EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&dialogs));
    EXPECT_TRUE(dialog && dialogs == 1);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(process::WaitExit(survivor), 0u);
}

// winmm.dll is loaded only at the first alarm; where it cannot be loaded the
// alarm still rings, silently, and Stop and Exit work as ever. Wine is told to
// refuse winmm to a copy of the exe under a name of its own, so the setting can
// never reach another test that shares this prefix.
TEST_F(ReliabilityProcessTest, WithoutWinmmTheAlarmRingsSilently) {
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "DozewellTimerNoWinmm.exe";
    ASSERT_TRUE(CopyFileA(process::ProgramPath().c_str(), path.c_str(), FALSE));
    const char* const overrides = "Software\\Wine\\AppDefaults\\DozewellTimerNoWinmm.exe\\DllOverrides";
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, overrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, "winmm", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);  // empty: disabled
    RegCloseKey(key);
    process::Copy copy;
    const bool started = process::Start(copy, path);
    const HWND dialog = started ? process::WaitMainDialog(copy) : nullptr;
    const bool rang = dialog && Ring(dialog);
    const DWORD ringing = process::WaitExit(copy, 1500);
    // A copy that crashed at the alarm would never answer: no plain SendMessage to it.
    if (dialog) SendMessageTimeoutA(dialog, WM_COMMAND, IDC_STOP, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    const bool stopped = dialog && Enabled(dialog, IDC_START);
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    const DWORD code = process::WaitExit(copy);
    if (code == STILL_ACTIVE) TerminateProcess(copy.info.hProcess, 1);
    RegDeleteKeyA(HKEY_CURRENT_USER, overrides);
    DeleteFileA(path.c_str());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(rang);
    EXPECT_EQ(ringing, STILL_ACTIVE);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(code, 0u);
}
