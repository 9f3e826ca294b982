// The main dialog: set-up, system commands, About, presets, run states, the alarm, stray ticks and exit.
#include "harness.h"

#include <commctrl.h>

#include "app/about.h"

TEST(Dialog, SetUpSystemCommandsMenusAtThePointerAboutAndAnExitThatFreesTheGuardFirst) {
    OpenDialog([&](HWND dialog) {
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0),
                  (LRESULT)LoadIconA(appState.instance, "ICON"));
        const HDC context = GetDC(dialog);  // labels paint on the picture's blue, not in boxes of their own
        EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, (WPARAM)context, 0),
                  (LRESULT)appState.backgroundBrush);
        EXPECT_EQ(GetBkMode(context), TRANSPARENT);
        ReleaseDC(dialog, context);
        std::string limits;  // two digits typed in each field; spun within 0..24, 0..59, 0..59
        for (int i = 0; i < 3; ++i) {
            limits += std::to_string(SendDlgItemMessageA(dialog, IDC_HOURS + i, EM_GETLIMITTEXT, 0, 0)) + ",";
            limits +=
                std::to_string(SendDlgItemMessageA(dialog, IDC_SPIN_HOURS + i, UDM_GETRANGE, 0, 0)) + " ";
        }
        EXPECT_EQ(limits, "2,24 2,59 2,59 ");
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        SetCursorPos(123, 45);
        Do(dialog,
           "caption enter max [Running 0,0,0 hidden] max min [Stopped 0,0,0 hidden] "  // min hides, even
                                                                                       // hidden
           "sysmenu {Reset timer|-|Load config|Save config|-|Exit} rclick {Reset timer|-|Load config|Save "
           "config|-|Exit} "
           "f1 <f1 about> fail=Box f1 f1 about");  // one box at a time; a failed one ends About
        EXPECT_FALSE(IsZoomed(dialog) || IsIconic(dialog));
        appState.mutex = CreateMutexA(nullptr, FALSE, nullptr);
        Do(dialog, "exit");
    });
    const std::string box = "Box About... 1000: " + std::string(kAboutText);  // system-modal, no icon
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 401 Dozewell Timer";
    EXPECT_EQ(Calls("EndDialog"), "EndDialog");
    EXPECT_EQ(Calls("Tray"), "Tray 0" + icon + ", Tray 0" + icon + ", Tray 2" + icon);
    EXPECT_EQ(Calls("Box"), box + ", " + box);
    EXPECT_EQ(Calls("Menu"), "Menu 123,45, Menu 123,45");
}

TEST(Dialog, PresetsRunStatesTheAlarmAndARefusedStart) {
    OpenDialog([](HWND dialog) {
        Do(dialog,
           "time=10 [Stopped 3,0,0] time=9 [Stopped 2,30,0] time=8 [Stopped 2,0,0] time=7 [Stopped 1,30,0] "
           "time=6 [Stopped 1,0,0] time=5 [Stopped 0,30,0] time=4 [Stopped 0,15,0] time=3 [Stopped 0,10,0] "
           "time=2 [Stopped 0,5,0] time=0 [Stopped 0,0,0] 4:5:6 reset [Stopped 0,0,0] time=1 [Stopped 0,1,0] "
           "99:99:2 start [Running 99,99,2] tick [Running 24,59,1] stop [Stopped 0,1,0] "  // clamped; the
                                                                                           // entry
           "start tick [Running 0,0,59] stop 1:0:0 start tick [Running 0,59,59] stop "     // again
           "0:0:2 start tick pause tick3 [Running paused 0,0,1] pause reset min tick [Running 0,0,0 hidden]");
        platform.calls.clear();
        Do(dialog,
           "fail=Field tick fail= [Ringing 0,0,0 topmost] "        // within its tick, fields notifying or not
           "tick58 [Ringing 0,0,0 topmost] tick [Stopped 0,1,0] "  // 59 ticks
           "signal=3 0:0:0 start tick [Ringing 0,0,0 topmost] stop [Stopped 0,1,0] "
           "fail=SetTimer start {Box Error 10: No timer is available\n} [Stopped 0,1,0] max "
           "{Box Error 10: No timer is available\n} fail=throw_SetTimer start {Box Error 10: Unknow error} "
           "[Stopped 0,1,0 hidden]");
    });
    // The sound of the alarm and its end; the minutes written once it rings.
    EXPECT_EQ(Calls("PlaySound"), "PlaySound BEEP 4000d, PlaySound - 0");
    EXPECT_EQ(Calls("Field 1001").substr(0, 18), "Field 1001 ringing");
}

// A WM_TIMER can come after KillTimer (one already queued) or from another program. No pause is carried into
// the next Start either.
TEST(Dialog, AStrayTickChangesNothingWhileNoCountdownRuns) {
    OpenDialog([](HWND dialog) {
        Do(dialog,
           "time=1 start tick stop stray [Stopped 0,1,0] start pause stop start tick [Running 0,0,59] stop "
           "0:0:0 start tick tick58 tick stray [Stopped 0,1,0] 1:2:3 stray [Stopped 1,2,3]");
    });
}
