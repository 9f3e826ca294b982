// The main dialog: set-up, system commands, About, presets, run states, the alarm and exit.
#include "app/about.h"
#include "harness.h"

TEST(Dialog, SetUpSystemCommandsMenusAtThePointerAboutAndAnExitThatFreesTheGuardFirst) {
    const std::string box = "Box About...: " + std::string(kAboutText);
    OpenDialog([&](HWND dialog) {
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0),
                  (LRESULT)LoadIconA(appState.instance, "ICON"));
        const HDC context = GetDC(dialog);  // labels paint on the picture's blue, not in boxes of their own
        LOGBRUSH brush{};
        GetObjectA((HBRUSH)SendMessageA(dialog, WM_CTLCOLORSTATIC, (WPARAM)context, 0), sizeof brush, &brush);
        EXPECT_EQ(std::make_pair(brush.lbColor, GetBkMode(context)),
                  std::make_pair(RGB(0x43, 0xA9, 0xF9), TRANSPARENT));
        ReleaseDC(dialog, context);
        std::string limits;  // two digits typed in each field; spun within 0..24, 0..59, 0..59
        for (int i = 0; i < 3; ++i)
            limits +=
                std::to_string(SendDlgItemMessageA(dialog, IDC_HOURS + i, EM_GETLIMITTEXT, 0, 0)) + "," +
                std::to_string(SendDlgItemMessageA(dialog, IDC_SPIN_HOURS + i, UDM_GETRANGE, 0, 0)) + " ";
        EXPECT_EQ(limits, "2,24 2,59 2,59 ");
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        SetCursorPos(123, 45);
        Do(dialog,
           "caption enter max [Running 0,0,0 hidden] "  // a caption double click, Enter: nothing
           "max min [Stopped 0,0,0 hidden] "            // hides, even when hidden
           "sysmenu {Reset timer|-|Load config|Save config|-|Exit} "
           "rclick {Reset timer|-|Load config|Save config|-|Exit} "
           "f1 <f1 about> fail=Box f1 f1 about");  // one box at a time; a failed one ends About
        EXPECT_FALSE(IsZoomed(dialog) || IsIconic(dialog));
        appState.mutex = CreateMutexA(nullptr, FALSE, nullptr);
        Do(dialog, "exit");
    });
    EXPECT_EQ(Calls("EndDialog"), "EndDialog");
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 401 Dozewell Timer";
    EXPECT_EQ(Calls("Tray"), "Tray 0" + icon + ", Tray 0" + icon + ", Tray 2" + icon);
    EXPECT_EQ(Calls("Box"), box + ", " + box);
    EXPECT_EQ(Calls("Menu") + " " + Calls("SetTimer"), "Menu 123,45, Menu 123,45 SetTimer 1000");
}

TEST(Dialog, PresetsRunStatesTheAlarmAndARefusedStart) {
    OpenDialog([](HWND dialog) {
        Do(dialog,
           "time=10 [Stopped 3,0,0] time=9 [Stopped 2,30,0] time=8 [Stopped 2,0,0] "
           "time=7 [Stopped 1,30,0] time=6 [Stopped 1,0,0] time=5 [Stopped 0,30,0] "
           "time=4 [Stopped 0,15,0] time=3 [Stopped 0,10,0] time=2 [Stopped 0,5,0] "
           "time=0 [Stopped 0,0,0] 4:5:6 reset [Stopped 0,0,0] time=1 [Stopped 0,1,0] "
           "99:99:2 start [Running 99,99,2] tick [Running 24,59,1] "  // clamped
           "stop [Stopped 0,1,0] start tick [Running 0,0,59] stop 1:0:0 start tick "
           "[Running 0,59,59] stop "  // the entry again
           "0:0:2 start tick pause tick3 pause reset min tick [Running 0,0,0 hidden]");
        calls.clear();
        Do(dialog,
           "fail=Field tick fail= [Ringing 0,0,0 topmost] "        // on top, within its tick
           "tick58 [Ringing 0,0,0 topmost] tick [Stopped 0,1,0] "  // 59 ticks
           "signal=3 0:0:0 start tick [Ringing 0,0,0 topmost] stop [Stopped 0,1,0] "
           "fail=SetTimer start {Box Error!: No timer is available\n} [Stopped 0,1,0] max "
           "{Box Error!: No timer is available\n} fail=throw_SetTimer start {Box Error!: Unknow error} "
           "[Stopped 0,1,0 hidden]");
        EXPECT_TRUE(!appState.errorShowing && !appState.pendingError.timerFlags);
    });
    EXPECT_EQ(Calls("PlaySound") + " " + Calls("Field 1001").substr(0, 18),  // the minutes, written ringing
              "PlaySound BEEP 4000d, PlaySound - 0 Field 1001 ringing");
}
