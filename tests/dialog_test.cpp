// The main dialog: set-up, system commands, About, presets, run states, the alarm, ticks that are not the
// countdown's, and exit.
#include "harness.h"

#include <commctrl.h>

// clang-format off
TEST(Dialog, SetUpSystemCommandsMenusAboutAndAnExit) {
    const std::string about = "About... 1000:        Dozewell Timer v0.2  \\n\\n     If this timer saves you time,\\n tell a "
                              "friend about it.\\n\\n          Written by the Dozewell Timer\\n          developers.";
    OpenDialog([&](HWND dialog) {
        // Labels paint on the picture's blue; two digits typed in each field, spun within 0..24, 0..59, 0..59.
        EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, (WPARAM)GetDC(dialog), 0), (LRESULT)appState.backgroundBrush);
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), (LRESULT)LoadIconA(appState.instance, "ICON"));
        std::string limits;
        for (int i = 0; i < 3; ++i)
            limits += std::to_string(SendDlgItemMessageA(dialog, IDC_HOURS + i, EM_GETLIMITTEXT, 0, 0)) + "," +
                      std::to_string(SendDlgItemMessageA(dialog, IDC_SPIN_HOURS + i, UDM_GETRANGE, 0, 0)) + " ";
        EXPECT_EQ(limits, "2,24 2,59 2,59 ");
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        // However it is minimised, the window is hidden as by the minimize box, and the icon brings it back.
        Do(dialog, R"(
            caption enter max    = Running 0,0,0 hidden
            max min              = Stopped 0,0,0 hidden
            sysmenu rclick       = Menu Reset timer|-|Load config|Save config|-|Exit; Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0 hidden
            tray:click min+1     = Stopped 0,0,0 hidden
            tray:click minimise  = Stopped 0,0,0 hidden minimised
            tray:click           = Stopped 0,0,0)");
        platform.whileOpen = "f1 about";  // one box at a time
        Do(dialog, "f1 = " + about + "; Stopped 0,0,0");
        platform.failing = {"About..."};  // a box that could not be shown ends About
        Do(dialog, "f1 f1 about = Stopped 0,0,0");
        EXPECT_EQ(Calls("About"), about + ", " + about);
        for (int i = 0; i < kSignalCount; ++i) Do(dialog, "signal=" + std::to_string(i) + " 0:0:0 start tick stop");
        for (const std::string& call : platform.calls) {  // an alarm whose sound is missing would ring silently
            const std::string sound = call.starts_with("PlaySound ") ? call.substr(10, call.find(' ', 10) - 10) : "-";
            EXPECT_TRUE(sound == "-" || FindResourceA(nullptr, sound.c_str(), "WAVE")) << call;
        }
        Do(dialog, "exit");
    });
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 401 Dozewell Timer";
    EXPECT_EQ(Calls("Tray"), "Tray 0" + icon + ", Tray 0" + icon + ", Tray 2" + icon);
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
        const std::string loop = std::to_string(SND_RESOURCE | SND_LOOP | SND_ASYNC);  // then none for No signal
        EXPECT_TRUE(Calls("PlaySound").ends_with("PlaySound BEEP " + loop + ", PlaySound - 0")) << Calls("PlaySound");
        Do(dialog, "0:0:1 start minimise tick2 = Ringing 0,0,0 topmost");
        platform.failing = {"SetTimer"};
        Do(dialog, "stop start max = Error 10: No timer is available\\n; Error 10: No timer is available\\n; Stopped 0,1,0 hidden");
        platform.failing = {"throw SetTimer"};
        Do(dialog, "start = Error 10: Unknow error; Stopped 0,1,0 hidden");
    });
}
// clang-format on
