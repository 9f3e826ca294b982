// The main dialog in-process (set-up, system commands, About, presets, run states, the alarm, settings, the
// popup menus, clicks on the notification-area icon, seeded walks), then the real exe.
#include "harness.h"

#include <process.h>
#include <sddl.h>

static void Store(const char* name, DWORD number, DWORD type = REG_DWORD, DWORD size = 4) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, &number, size);
}

// clang-format off
TEST(Dialog, SetUpSystemCommandsAboutSoundsAndAnExit) {
    const std::string about = "About... 1000:        Dozewell Timer v0.2  //     If this timer saves you time,/ tell a friend "
                              "about it.//          Written by the Dozewell Timer/          developers.";
    OpenDialog([&](HWND dialog) {
        EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, (WPARAM)GetDC(dialog), 0), (LRESULT)appState.backgroundBrush);  // labels on blue
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), (LRESULT)LoadIconA(appState.instance, "ICON"));
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        // However it is minimised, the window is hidden as by the minimize box, and the icon brings it back.
        Do(dialog, R"(
            caption enter max    = Running 0,0,0 hidden
            max min              = Stopped 0,0,0 hidden
            sysmenu rclick       = Menu Reset timer|-|Load config|Save config|-|Exit; Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0 hidden
            tray:click min+1     = Stopped 0,0,0 hidden
            tray:click minimise  = Stopped 0,0,0 hidden minimised
            tray:click           = Stopped 0,0,0)");
        platform.whileOpen = "f1 about tray:menu";  // one box at a time, and the tray menu grays more under it
        Do(dialog, "f1 = " + about + "; Menu 00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About#|Exit#; Stopped 0,0,0");
        for (int i = 0; i < kSignalCount; ++i) Do(dialog, "signal=" + std::to_string(i) + " 0:0:0 start tick stop");
        Do(dialog, "exit");
    });
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 1025 Dozewell Timer; ";
    EXPECT_EQ(platform.calls["Tray"], "Tray 0" + icon + "Tray 0" + icon + "Tray 2" + icon);
}

// Ticks count down from what the fields show, at most 24:59:59; a WM_TIMER that no countdown sent (one queued
// before KillTimer, another program's, another timer's) changes nothing.
TEST(Dialog, PresetsRunStatesTheAlarmARefusedStartAndStrayTicks) {
    OpenDialog([](HWND dialog) {
        const char* presets[] = {"0,0,0", "0,1,0", "0,5,0", "0,10,0", "0,15,0", "0,30,0", "1,0,0", "1,30,0", "2,0,0", "2,30,0", "3,0,0"};
        for (int i = std::size(presets) - 1; i >= 0; --i) Do(dialog, "time=" + std::to_string(i) + " = Stopped " + presets[i]);
        Do(dialog, R"(
            4:5:6 reset                             = Stopped 0,0,0
            time=1 24:59:59 start tick              = Running 24,59,58
            stop 25:60:60 start tick                = Running 24,59,58
            stop stray                              = Stopped 0,1,0
            start pause stop start tick alien       = Running 0,0,59
            stop 1:0:0 start tick                   = Running 0,59,59
            stop 0:0:2 start tick pause tick3       = Running 0,0,1
            pause reset min tick                    = Running 0,0,0 hidden
            tick                                    = Ringing 0,0,0 topmost
            tick58                                  = Ringing 0,0,0 topmost
            tick stray                              = Stopped 0,1,0
            signal=3 0:0:0 start tick stop          = Stopped 0,1,0
            1:2:3 stray                             = Stopped 1,2,3)");
        EXPECT_TRUE(platform.calls["PlaySound"].ends_with("PlaySound BEEP 262157; PlaySound - 0; "));  // resource, loop, async
        Do(dialog, "0:0:1 start minimise tick2 = Ringing 0,0,0 topmost");
        platform.failing = {"SetTimer"};
        Do(dialog, "stop start max = Error 10: No timer is available/; Error 10: No timer is available/; Stopped 0,1,0 hidden");
        platform.failing = {"throw SetTimer"};  // any other failure, as a C++ exception
        Do(dialog, "start = Error 10: Unknow error; Stopped 0,1,0 hidden");
    });
}

// Saving and loading through the registry, hostile stored data and every failure's report.
TEST(Settings, RoundTripHostileDataIgnoredAndEveryFailureReportedWithItsText) {
    const std::string lastTime = std::to_string(kPresetCount - 1);
    const std::string lastSignal = std::to_string(kSignalCount - 1);
    Store("User time", 0, REG_SZ, 1);               // not four bytes
    Store("Select time", kPresetCount);             // past the list
    Store("Signal", kSignalCount - 1, REG_BINARY);  // the last entry; four bytes of any type count
    OpenDialog([&](HWND dialog) {
        // Only the first load is silent and takes what it can read; a reported one takes nothing.
        Do(dialog, " = Stopped 0,0,0 | 0 " + std::to_string(kPresetCount) + " " + lastSignal + " 0 " + lastSignal);
        Store("Select time", kPresetCount - 1);
        Store("Signal", kSignalCount);
        const std::string unread = "; Stopped 0,0,0 | 0 " + lastTime + " " + std::to_string(kSignalCount) + " 0 " + lastSignal;
        Do(dialog, "load = Error 10: Can't read data from registry: //user time/signal/" + unread);
        Store("User time", 0);  // each report has its own record
        Do(dialog, "load = Error 10: Can't read data from registry: //signal/" + unread);
        Store("Signal", 1);
        Do(dialog, "load = Stopped 3,0,0 | 0 " + lastTime + " 1 " + lastTime + " 1");
        // Saved clamped; a preset keeps the stored user time.
        Do(dialog, R"(
            time=0 signal=2 1:2:99 save = Stopped 1,2,59 | 66107 0 2 0 2
            time=3 save                 = Stopped 0,10,0 | 66107 3 2 3 2)");
        // Save stores what read-only fields show (arrows, another program's text), and leaves the countdown be.
        Do(dialog, R"(
            time=0 0:0:35 start tick 1:0:0 save tick = Running 0,0,33 | 65536 0 2 0 2
            stop 0:0:1 start tick2 0:1:0 save tick59 = Stopped 0,1,0 | 256 0 2 0 2)");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");  // then a zero one is written
        Do(dialog, "time=2 save = Stopped 0,5,0 | 0 2 2 2 2");
        // Everyone may read the key, change who may, and delete it: enough to load, not to save.
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KRWDSD;;;WD)", SDDL_REVISION_1, &readOnly, nullptr);
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, WRITE_DAC, &key);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly);
        RegCloseKey(key);
        Do(dialog, R"(
            0:0:0 load = Stopped 0,5,0 | 0 2 2 2 2
            save       = Error 10: Can't open registry key; Stopped 0,5,0 | 0 2 2 2 2)");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Do(dialog, "load = Error 30: Can't read configurations; Stopped 0,5,0");
        platform.failing = {"RegSetValueExA", "RegCloseKey"};
        Do(dialog, "save = Error 10: Can't write data in registry: //user time/selected time/signal//Can't close registry key; Stopped 0,5,0");
        platform.failing = {"RegCloseKey"};
        Do(dialog, "save = Error 10: Can't close registry key; Stopped 0,5,0 | 0 2 2 2 2");
    });
}

// Show from the tray menu, and the menus under an error report, which a walk does not reach.
TEST(Tray, MenusShowAndMenusUnderAnErrorReport) {
    OpenDialog([&](HWND dialog) {
        Do(dialog, R"(
            1:2:3 tray:menu                          = Menu 01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 1,2,3
            0:0:0 start tick min menu=Show tray:menu = Menu 00:00:00|-|Start#|Pause#|Stop|-|Show|-|About|Exit; Ringing 0,0,0 topmost
            stop min menu=Show tray:menu             = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0)");
        platform.failing = {"SetTimer"};
        platform.whileOpen = "tray:menu rclick";
        Do(dialog, "start = Error 10: No timer is available/; Menu 00:00:00#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#; "
                       "Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0");
        Do(dialog, "tray:menu = Menu 00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 0,0,0");  // once it is closed
    });
}

// A click sends back only a shown window that was active as the pointer came to the icon; Windows activates a
// window that is clicked into with WA_CLICKACTIVE.
TEST(Tray, ClicksSendBackOnlyAnActiveShownWindowAndAlwaysBringBackAHiddenOne) {
    for (const char* script : {
             "active tray:move inactive tray:click = Stopped 0,0,0 behind",
             "active tray:move tray:click = Stopped 0,0,0",
             "inactive clickactive tray:move tray:click = Stopped 0,0,0",
             "tray:move inactive tray:click = Stopped 0,0,0",
             "0:0:0 start tick active tray:move inactive tray:click = Ringing 0,0,0 topmost",
             "tray:click tray:dbl = Stopped 0,0,0 hidden",
             "min tray:dbl = Stopped 0,0,0 hidden",
             "min inactive tray:menu tray:move inactive tray:click = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0",
             "start min inactive menu=Pause tray:menu tray:move inactive tray:click tick = Menu 00:00:00|-|Start#|Pause|Stop|-|Show|-|About|Exit; Running 0,0,0"})
        OpenDialog([&](HWND dialog) { Do(dialog, script); });
}
// clang-format on

// Whatever a user does, the rules hold after every step, and the tray menu's Exit leaves nothing.
TEST(Tray, SeededWalksKeepTheRules) {
    for (unsigned seed = 1; seed <= 6 && !HasFailure(); ++seed) {
        std::mt19937 random(seed);
        OpenDialog([&](HWND dialog) {
            platform.played = "walk " + std::to_string(seed) + ": ";
            for (int i = 0; i < 60; ++i) Do(dialog, DrawStep(dialog, random));
            Do(dialog, "menu=Exit tray:menu");
        });
    }
}

// The real DozewellTimer.exe: one copy at a time, and exit code 0.
static DWORD ExitCode(HANDLE process) {  // once it has ended, within ten seconds
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    TerminateProcess(process, 1);
    return code;
}

TEST(Process, OneCopyRunsAndTheCloseBoxEndsItWithZero) {
    const char* exe = std::getenv("DOZEWELL_EXE");
    // A copy elevated or of another user holds a guard that this user may not open: it counts all the same.
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;GA;;;SY)", 1, &sa.lpSecurityDescriptor, 0);
    const HANDLE elevated = CreateMutexA(&sa, FALSE, "DTcPyRunBlk");
    EXPECT_EQ(ExitCode((HANDLE)_spawnl(_P_NOWAIT, exe, "DozewellTimer.exe", nullptr)), 0u);
    CloseHandle(elevated);
    const HANDLE first = (HANDLE)_spawnl(_P_NOWAIT, exe, "DozewellTimer.exe", nullptr);
    HWND dialog = nullptr;  // a second copy ends at once, leaving the first alone
    for (int i = 0; i < 200 && !IsWindowVisible(dialog = FindWindowA(0, "Dozewell Timer")); ++i) Sleep(50);
    EXPECT_EQ(ExitCode((HANDLE)_spawnl(_P_NOWAIT, exe, "DozewellTimer.exe", nullptr)), 0u);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCode(first), 0u);
}
