// The main dialog: set-up, system commands, About, presets, run states, the alarm and exit.
#include "app/about.h"
#include "harness.h"

TEST(Dialog, SetUpSystemCommandsMenusAtThePointerAboutAndAnExitThatFreesTheGuardFirst) {
    const std::string box = "Box About...: " + std::string(kAboutText);
    OpenDialog([&](HWND dialog) {
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0),
                  (LRESULT)LoadIconA(appState.instance, "ICON"));
        LOGBRUSH brush{};
        GetObjectA(appState.backgroundBrush, sizeof brush, &brush);
        EXPECT_EQ(brush.lbColor, RGB(0x43, 0xA9, 0xF9));
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        SetCursorPos(123, 45);
        Do(dialog,
           "caption enter max [r 00110000 0,0,0 running hidden] "  // a caption double click, Enter: nothing
           "max min [w 11001111 0,0,0 hidden] "                    // hides, even when hidden
           "sysmenu {Reset timer|-|Load config|Save config|-|Exit} "
           "rclick {Reset timer|-|Load config|Save config|-|Exit} "
           "f1 <f1 about> fail=Box f1 f1 about");  // one box at a time; a failed one ends About
        EXPECT_FALSE(IsZoomed(dialog) || IsIconic(dialog));
        const HANDLE guard = appState.mutex = CreateMutexA(nullptr, FALSE, nullptr);
        DWORD flags;
        Do(dialog, "exit");
        EXPECT_TRUE(!GetHandleInformation(guard, &flags) && IsWindow(dialog));
    });
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 401 Dozewell Timer";
    EXPECT_EQ(Calls("Tray"), "Tray 0" + icon + ", Tray 0" + icon + ", Tray 2" + icon);
    EXPECT_EQ(Calls("Box"), box + ", " + box);
    EXPECT_EQ(Calls("Menu") + " " + Calls("SetTimer"), "Menu 123,45, Menu 123,45 SetTimer 1000");
}

TEST(Dialog, PresetsRunStatesTheAlarmAndARefusedStart) {
    OpenDialog([](HWND dialog) {
        Do(dialog,
           "time=10 [w 11001111 3,0,0] time=9 [w 11001111 2,30,0] time=8 [w 11001111 2,0,0] "
           "time=7 [w 11001111 1,30,0] time=6 [w 11001111 1,0,0] time=5 [w 11001111 0,30,0] "
           "time=4 [w 11001111 0,15,0] time=3 [w 11001111 0,10,0] time=2 [w 11001111 0,5,0] "
           "time=0 [w 11001111 0,0,0] 4:5:6 reset [w 11001111 0,0,0] time=1 [w 11001111 0,1,0] "
           "99:99:2 start [r 00110000 99,99,2 running] tick [r 00110000 24,59,1 running] "  // clamped
           "stop [w 11001111 0,1,0] start tick [r 00110000 0,0,59 running] stop 1:0:0 start tick "
           "[r 00110000 0,59,59 running] stop "  // the entry again
           "0:0:2 start tick pause tick3 pause reset min tick [r 00110000 0,0,0 running hidden]");
        calls.clear();
        Do(dialog,
           "fail=Field tick fail= [r 00010000 0,0,0 running ringing topmost] "  // on top, within its tick
           "tick58 [r 00010000 0,0,0 running ringing topmost] tick [w 11001111 0,1,0] "  // 59 ticks
           "signal=3 0:0:0 start tick [r 00010000 0,0,0 running ringing topmost] stop [w 11001111 0,1,0] "
           "fail=SetTimer start {Box Error!: No timer is available\n} [w 11001111 0,1,0] max "
           "{Box Error!: No timer is available\n} fail=throw_SetTimer start {Box Error!: Unknow error} "
           "[w 11001111 0,1,0 hidden]");
        EXPECT_TRUE(!appState.errorShowing && !appState.pendingError.timerFlags);
    });
    EXPECT_EQ(Calls("PlaySound") + " " + Calls("Field 1001").substr(0, 18),  // the minutes, written ringing
              "PlaySound BEEP 4000d, PlaySound - 0 Field 1001 ringing");
}
