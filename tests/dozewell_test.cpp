// The main dialog in-process, driven by scripts and seeded walks (docs/contributing.md), then the real exe.
#include "harness.h"

#include <oleacc.h>
#include <process.h>

static void Store(const char* name, DWORD number, DWORD type = REG_DWORD, DWORD size = 4) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, &number, size);
}

// clang-format off
TEST(Dialog, SetUpTheKeyboardAScreenReaderOtherProgramsSystemCommandsAboutAndSounds) {
    const std::string about = "About... 1000:        Dozewell Timer v0.2  //     If this timer saves you time,/ tell a friend about it.//          Written by the Dozewell Timer/          developers.";
    OpenDialog([&](HWND dialog) {
        const HDC dc = GetDC(dialog);  // labels drawn on the picture's blue, with no box of their own
        EXPECT_TRUE(SendMessageA(dialog, WM_CTLCOLORSTATIC, (WPARAM)dc, 0) == (LRESULT)appState.backgroundBrush && GetBkMode(dc) == TRANSPARENT);
        ReleaseDC(dialog, dc);
        std::wstring names;  // what a screen reader calls the three fields
        for (int id = IDC_HOURS; id <= IDC_SECONDS; ++id) {
            IAccessible* field = nullptr; BSTR name = nullptr;
            AccessibleObjectFromWindow(GetDlgItem(dialog, id), OBJID_CLIENT, __uuidof(IAccessible), (void**)&field);
            VARIANT self{}; self.vt = VT_I4;
            if (field->get_accName(self, &name) == S_OK) names += name + std::wstring(L" ");
            field->Release();
            SysFreeString(name);
        }
        EXPECT_EQ(names, L"Hours Minutes Seconds ");
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), (LRESULT)LoadIconA(appState.instance, "ICON"));
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        // Keys alone run it; others show and hide it; however it is minimised, it is hidden and the icon brings it back.
        Do(dialog, R"(
            23:0:0 up up          = Stopped 24,0,0
            tab type=123          = Stopped 24,12,0
            0:58:0 up up          = Stopped 0,59,0
            tab tab tab space     = Running 0,59,0
            space                 = Stopped 0,0,0
            tray:move enter       = Running 0,0,0
            space 0:0:1 enter     = Running 0,0,1
            tab tab tab tab tick2 space = Stopped 0,0,0
            apps tab tab apps     = Menu Reset timer|-|Load config|Save config|-|Exit; Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0
            show=6,9              = Stopped 0,0,0
            tray:dbl              = Stopped 0,0,0 hidden
            tray:click show=0 tray:click = Stopped 0,0,0
            caption enter max     = Running 0,0,0 hidden
            max min               = Stopped 0,0,0 hidden
            sysmenu rclick        = Menu Reset timer|-|Load config|Save config|-|Exit; Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0 hidden
            tray:click min+1      = Stopped 0,0,0 hidden
            tray:click show=6     = Stopped 0,0,0 hidden minimised
            tray:click            = Stopped 0,0,0)");
        platform.whileOpen = "f1 about tray:menu";  // one box at a time, and the tray menu grays more under it
        Do(dialog, "f1 = " + about + "; Menu 00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About#|Exit#; Stopped 0,0,0");
        for (int i = 0; i < kSignalCount; ++i) Do(dialog, "signal=" + std::to_string(i) + " 0:0:0 start tick stop");
        Do(dialog, "start exit");  // also while counting
    });
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 1025 Dozewell Timer; ";
    EXPECT_EQ(platform.calls["Tray"], "Tray 0" + icon + "Tray 0" + icon + "Tray 2" + icon);
}

// Ticks count from what the fields show, at most 24:59:59; a WM_TIMER that no countdown sent changes nothing.
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
        Do(dialog, "0:0:1 start show=6 tick2 = Ringing 0,0,0 topmost");
        platform.failing = {"SetTimer"};
        Do(dialog, "stop start max = Error 10: No timer is available/; Error 10: No timer is available/; Stopped 0,1,0 hidden");
        platform.failing = {"throw SetTimer"};  // any other failure, as a C++ exception
        Do(dialog, "start = Error 10: Unknow error; Stopped 0,1,0 hidden");
    });
}

// Saving and loading through the registry, hostile stored data and every failure's report; no key stays open.
TEST(Settings, RoundTripHostileDataIgnoredAndEveryFailureReportedWithItsText) {
    Store("User time", 0, REG_SZ, 1);    // not four bytes
    Store("Select time", kPresetCount);  // past the list
    Store("Signal", 3, REG_BINARY);      // four bytes of any type count
    OpenDialog([&](HWND dialog) {
        const auto freeSlot = [] { HANDLE slot; DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &slot, 0, 0, DUPLICATE_SAME_ACCESS); CloseHandle(slot); return slot; };
        const HANDLE free = freeSlot();  // the lowest free handle slot, given next: a key left open would take it
        // Only the first load is silent and takes what it can read; a reported one takes nothing.
        Do(dialog, " = Stopped 0,0,0 | 0 11 3 0 3");
        Store("Select time", 10);
        Store("Signal", kSignalCount);
        Do(dialog, "load = Error 10: Can't read data from registry: //user time/signal/; Stopped 0,0,0 | 0 10 4 0 3");
        Store("User time", 0);  // each report has its own record
        Do(dialog, "load start stop = Error 10: Can't read data from registry: //signal/; Stopped 0,0,0 | 0 10 4 0 3");
        Store("Signal", 1);
        Do(dialog, "load = Stopped 3,0,0 | 0 10 1 10 1");
        Store("User time", 100 << 16 | 2 << 8 | 3);  // shown as stored, and Stop comes back to it
        Store("Select time", 0);
        Do(dialog, "load = Stopped 100,2,3 | 6554115 0 1 0 1");
        Do(dialog, "start tick stop = Stopped 100,2,3 | 6554115 0 1 0 1");
        // Saved clamped, a preset keeping the user time; Save takes what read-only fields show, not the countdown.
        Do(dialog, R"(
            time=0 signal=2 1:2:99 save              = Stopped 1,2,59 | 66107 0 2 0 2
            time=3 save                              = Stopped 0,10,0 | 66107 3 2 3 2
            time=0 0:0:35 start tick 1:0:0 save tick = Running 0,0,33 | 65536 0 2 0 2
            stop 0:0:1 start tick2 0:1:0 save tick59 = Stopped 0,1,0 | 256 0 2 0 2)");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");  // then a zero one is written
        Do(dialog, "time=2 save = Stopped 0,5,0 | 0 2 2 2 2");
        EXPECT_EQ(freeSlot(), free);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Do(dialog, "load = Error 30: Can't read configurations; Stopped 0,5,0");
        platform.failing = {"RegSetValueExA", "RegCloseKey"};
        Do(dialog, "save = Error 10: Can't write data in registry: //user time/selected time/signal//Can't close registry key; Stopped 0,5,0");
        platform.failing = {"RegCloseKey"};
        Do(dialog, "save = Error 10: Can't close registry key; Stopped 0,5,0 | 0 2 2 2 2");
    });
}

// Clicks on the icon send back only a shown window that was active as the pointer came to it (clicked into, it
// is activated with WA_CLICKACTIVE), never a ringing one; the menus, also under a report; a refused foreground.
TEST(Tray, ClicksMenusShowAndMenusUnderAnErrorReport) {
    OpenDialog([&](HWND dialog) {
        Do(dialog, R"(
            active tray:move inactive tray:click             = Stopped 0,0,0 behind
            active tray:move tray:click                      = Stopped 0,0,0
            inactive clickactive tray:move tray:click        = Stopped 0,0,0
            inactive tray:move inactive tray:click           = Stopped 0,0,0
            min inactive tray:menu tray:move inactive tray:click = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0
            0:0:0 start tick active tray:move inactive tray:click = Ringing 0,0,0 topmost
            stop start min inactive menu=Pause tray:menu tray:move inactive tray:click tick = Menu 00:00:00|-|Start#|Pause|Stop|-|Show|-|About|Exit; Running 0,0,0
            stop 1:2:3 tray:menu                     = Menu 01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 1,2,3
            start rclick                             = Menu Reset timer#|-|Load config#|Save config|-|Exit; Running 1,2,3
            stop 0:0:0 start tick min menu=Show tray:menu = Menu 00:00:00|-|Start#|Pause#|Stop|-|Show|-|About|Exit; Ringing 0,0,0 topmost
            stop min menu=Show tray:menu             = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0)");
        platform.failing = {"SetTimer"};
        platform.whileOpen = "tray:menu rclick";
        Do(dialog, "start = Error 10: No timer is available/; Menu 00:00:00#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#; Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0");
        platform.failing = {"Foreground"};  // refused twice, 50 ms apart: the menu says so where the time stood
        platform.calls.clear();
        Do(dialog, "tray:menu = Menu Error|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 0,0,0");
        EXPECT_EQ(platform.calls["Foreground"], "Foreground; Foreground; ");
    });
}


// Whatever a user does by keys, menus, the icon and ticks, and other programs by show commands, the rules hold.
TEST(Walks, SeededStepsKeepTheRules) {
    std::vector<std::string> steps = {"show=6", "show=0", "show=6,9", "tick", "tick59", "0:0:1", "type=1", "menu=Reset rclick", "menu=Load rclick", "menu=Save rclick"};
    for (const char* item : {"Start", "Pause", "Stop", "Hide", "Show", "About"}) steps.push_back(std::string("menu=") + item + " tray:menu");
    for (const auto& [name, sent] : kSteps) if (sent[0] != WM_COMMAND) steps.push_back(name);  // buttons by keys, commands by menus
    for (unsigned seed = 1; seed <= 6 && !HasFailure(); ++seed) OpenDialog([&, random = std::mt19937(seed)](HWND dialog) mutable {
        platform.played = "walk " + std::to_string(seed) + ": ";
        for (int i = 0; i < 80; ++i) Do(dialog, steps[random() % steps.size()]);
        Do(dialog, "menu=Exit tray:menu");
    });
}

// The real DozewellTimer.exe: a second copy ends at once, leaving the first, which the close box ends with 0.
TEST(Process, OneCopyRunsAndTheCloseBoxEndsItWithZero) {
    const auto exitCode = [](HANDLE process) {  // once it has ended, within ten seconds
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        TerminateProcess(process, 1);
        return code;
    };
    const HANDLE first = (HANDLE)_spawnl(_P_NOWAIT, std::getenv("DOZEWELL_EXE"), "DozewellTimer.exe", nullptr);
    for (int i = 0; i < 200 && !IsWindowVisible(FindWindowA(0, "Dozewell Timer")); ++i) Sleep(50);
    EXPECT_EQ(exitCode((HANDLE)_spawnl(_P_NOWAIT, std::getenv("DOZEWELL_EXE"), "DozewellTimer.exe", nullptr)), 0u);  // a second copy
    PostMessageA(FindWindowA(0, "Dozewell Timer"), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(exitCode(first), 0u);
}
// clang-format on
