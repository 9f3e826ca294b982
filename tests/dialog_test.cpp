// The main dialog's set-up, system commands, About box, presets, run states and alarm.
#include "app/about.h"
#include "app/main_dialog.h"
#include "harness/harness.h"

namespace {
// Fields read-only (r) or writable (w); then enabled (1) or not for the three
// up-downs, Start, Pause, Stop and the two lists.
std::string Controls(HWND dialog) {
    std::string out = GetWindowLongA(GetDlgItem(dialog, IDC_HOURS), GWL_STYLE) & ES_READONLY ? "r " : "w ";
    for (int id : {IDC_SPIN_HOURS, IDC_SPIN_MINUTES, IDC_SPIN_SECONDS, IDC_START, IDC_PAUSE, IDC_STOP,
                   IDC_TIME_LIST, IDC_SIGNAL_LIST})
        out += IsWindowEnabled(GetDlgItem(dialog, id)) ? "1" : "0";
    return out;
}
}  // namespace

TEST_F(DialogTest, SetUpFillsTheListsAddsTheIconAndPaintsOnThePicture) {
    Run([](HWND dialog) {
        std::string texts;
        char text[32];
        for (int i = 0; i < 11; ++i) {
            SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            texts += text + std::string("|");
        }
        EXPECT_EQ(
            texts,
            "User time|1 min|5 min|10 min|15 min|30 min|1 hour|1 hour 30 min|2 hour|2 hour 30 min|3 hour|");
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCOUNT, 0, 0), 4);
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0),
                  reinterpret_cast<LRESULT>(LoadIconA(appState.instance, "ICON")));
        LOGBRUSH brush{};
        GetObjectA(appState.backgroundBrush, sizeof brush, &brush);
        EXPECT_EQ(brush.lbColor, RGB(0x43, 0xA9, 0xF9));
        // The picture exactly fills the client area, so statics paint on it.
        ASSERT_TRUE(appState.backgroundFits);
        const HDC context = GetDC(dialog);
        EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context), 0),
                  reinterpret_cast<LRESULT>(appState.backgroundBrush));
        EXPECT_EQ(GetBkMode(context), TRANSPARENT);
        ReleaseDC(dialog, context);
        RECT outer;
        GetWindowRect(dialog, &outer);
        SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + 1,
                     SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_FALSE(BackgroundFits(dialog, GetDlgItem(dialog, IDC_BACKGROUND)));
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    });
    const std::string added = "Tray 0 " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 1025 Dozewell Timer";
    EXPECT_EQ(platform.Calls("Tray"), added + ", " + added + ", Tray 2 " +
                                          std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 1025 Dozewell Timer");
}

TEST_F(DialogTest, SystemCommandsHideStartStopOrOpenTheMenuAtThePointer) {
    Run([](HWND dialog) {
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(!IsWindowVisible(dialog) && appState.hidden);
        ShowWindow(dialog, SW_SHOW);
        appState.hidden = 0;
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE + HTCAPTION, 0);  // a caption double click
        EXPECT_TRUE(IsWindowVisible(dialog) && !IsZoomed(dialog) && !appState.running);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_TRUE(!IsWindowVisible(dialog) && appState.hidden && appState.running);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_FALSE(appState.running);
        onMenu = [](const std::string& menu) {
            EXPECT_EQ(menu, "Reset timer|-|Load config|Save config|-|Exit");
            return 0u;
        };
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, 0);
        SendMessageA(dialog, WM_RBUTTONDOWN, 0, 0);
    });
    EXPECT_EQ(platform.Calls("Menu"), "Menu 123,45, Menu 123,45");
    EXPECT_EQ(platform.Calls("KillTimer"), "KillTimer, KillTimer");  // Stop, then Esc
}

TEST_F(DialogTest, OneAboutBoxAtATimeAndNoneAfterOneFailedToOpen) {
    static int failedBoxes = 0;
    Run([](HWND dialog) {
        onBox = [&](const std::string& box) {
            EXPECT_EQ(box.substr(0, 32), "About...:        Dozewell Timer ");
            SendMessageA(dialog, WM_HELP, 0, 0);  // no second box meanwhile
        };
        SendMessageA(dialog, WM_HELP, 0, 0);
        EXPECT_EQ(appState.aboutAllowed, static_cast<std::uint32_t>(IDOK));
        static auto failedBox = [](HWND, LPCSTR, LPCSTR, UINT) { return ++failedBoxes, 0; };
        ImportPatch failing("user32.dll", "MessageBoxA", reinterpret_cast<const void*>(+failedBox));
        SendMessageA(dialog, WM_HELP, 0, 0);
        SendMessageA(dialog, WM_HELP, 0, 0);
        Command(dialog, ID_ABOUT);
        onMenu = [](const std::string& menu) {
            EXPECT_EQ(menu.substr(menu.size() - 12), "About#|Exit#");
            return 0u;
        };
        SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
    });
    EXPECT_EQ(platform.Calls("Box"), std::string("Box About...: ") + kAboutText);
    EXPECT_EQ(failedBoxes, 1);
}

TEST_F(DialogTest, PresetsAndResetWriteTheFields) {
    const char* durations[] = {"0,0,0", "0,1,0",  "0,5,0", "0,10,0", "0,15,0", "0,30,0",
                               "1,0,0", "1,30,0", "2,0,0", "2,30,0", "3,0,0"};
    Run([&](HWND dialog) {
        for (int i = 10; i >= 0; --i) {
            SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, i, 0);
            Command(dialog, IDC_TIME_LIST, CBN_SELCHANGE);
            EXPECT_EQ(Fields(dialog), durations[i]);
        }
        Command(dialog, IDC_TIME_LIST, CBN_DROPDOWN);
        Type(dialog, "4", "5", "6");
        Command(dialog, ID_RESET_TIMER);
        EXPECT_EQ(Fields(dialog), "0,0,0");
    });
}

TEST_F(DialogTest, RunStatesTheAlarmAndStop) {
    Run([](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, 1, 0);
        Command(dialog, IDC_TIME_LIST, CBN_SELCHANGE);
        Type(dialog, "99", "99", "2");
        EXPECT_EQ(Controls(dialog), "w 11110011");
        Command(dialog, IDC_START);
        EXPECT_EQ(Controls(dialog), "r 00001100");
        EXPECT_EQ(Fields(dialog), "99,99,2");  // clamped in the clock, not in the fields
        Tick(dialog);
        EXPECT_EQ(Fields(dialog), "24,59,1");
        Command(dialog, IDC_STOP);
        EXPECT_EQ(Fields(dialog), "0,1,0");  // the selected entry again
        Type(dialog, "0", "0", "2");
        Command(dialog, IDC_START);
        Tick(dialog);
        Command(dialog, IDC_PAUSE);
        Tick(dialog, 3);
        EXPECT_EQ(Fields(dialog), "0,0,1");
        Command(dialog, IDC_PAUSE);
        Command(dialog, ID_RESET_TIMER);  // does nothing while running
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        Tick(dialog);
        EXPECT_EQ(Fields(dialog), "0,0,0");
        EXPECT_FALSE(appState.ringing || IsWindowVisible(dialog));
        Tick(dialog);  // finds 0:0:0: the alarm shows the hidden window on top
        EXPECT_TRUE(appState.ringing && IsWindowVisible(dialog) && Topmost(dialog) && !appState.hidden);
        EXPECT_EQ(Controls(dialog), "r 00000100");
        Tick(dialog, 58);
        EXPECT_TRUE(appState.ringing);
        Tick(dialog);  // the 59th tick of the alarm stops it
        EXPECT_EQ(Controls(dialog), "w 11110011");
        EXPECT_FALSE(Topmost(dialog) || appState.ringing);
        EXPECT_EQ(Fields(dialog), "0,1,0");
        SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_SETCURSEL, 3, 0);
        Command(dialog, IDC_SIGNAL_LIST, CBN_SELCHANGE);
        Type(dialog, "0", "0", "0");
        Command(dialog, IDC_START);
        Tick(dialog);  // rings at once, silently
        EXPECT_TRUE(appState.ringing);
        Command(dialog, IDC_STOP);
    });
    EXPECT_EQ(platform.Calls("PlaySound"), "PlaySound - 0, PlaySound BEEP 4000d, PlaySound - 0");
    EXPECT_EQ(platform.Calls("SetTimer"), "SetTimer 1000, SetTimer 1000, SetTimer 1000");
}

TEST_F(DialogTest, TheAlarmStartsWithinTheTickEvenWhereFieldsDoNotNotify) {
    static bool ringingAtMinutes;
    static auto quietWrite = [](HWND, int id, UINT, BOOL) {
        if (id == IDC_MINUTES) ringingAtMinutes = appState.ringing;
        return TRUE;
    };
    Run([](HWND dialog) {
        Command(dialog, IDC_START);
        ImportPatch write("user32.dll", "SetDlgItemInt", reinterpret_cast<const void*>(+quietWrite));
        Tick(dialog);
        EXPECT_TRUE(ringingAtMinutes);
    });
}

TEST_F(DialogTest, FailuresAreReportedAndChangeNothing) {
    Run([](HWND dialog) {
        std::vector<std::string> boxes;
        onBox = [&](const std::string& box) {
            boxes.push_back(box + (IsWindowVisible(dialog) ? "" : " (hidden)"));
        };
        platform.failing = {"SetTimer"};
        Command(dialog, IDC_START);
        EXPECT_EQ(Controls(dialog), "w 11110011");
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        platform.failing = {"throw SetTimer"};
        Command(dialog, IDC_START);
        EXPECT_EQ(boxes, (std::vector<std::string>{"Error!: No timer is available\n",
                                                   "Error!: No timer is available\n (hidden)",
                                                   "Error!: Unknow error (hidden)"}));
        EXPECT_FALSE(appState.running || appState.errorShowing || appState.pendingError.timerFlags);
    });
}

TEST_F(DialogTest, ExitStopsTheTimerFreesTheGuardAndRemovesTheIconBeforeTheDialogEnds) {
    static decltype(&CloseHandle) realClose;
    static decltype(&EndDialog) realEnd;
    static auto close = [](HANDLE handle) {
        if (handle == appState.mutex) platform.log.push_back("CloseHandle mutex");
        return realClose(handle);
    };
    static auto end = [](HWND dialog, INT_PTR result) {
        return platform.log.push_back("EndDialog"), realEnd(dialog, result);
    };
    ImportPatch closing("kernel32.dll", "CloseHandle", reinterpret_cast<const void*>(+close));
    ImportPatch ending("user32.dll", "EndDialog", reinterpret_cast<const void*>(+end));
    realClose = reinterpret_cast<decltype(realClose)>(closing.original);
    realEnd = reinterpret_cast<decltype(realEnd)>(ending.original);
    std::string calls;
    Run([&](HWND dialog) {
        appState.mutex = CreateMutexA(nullptr, FALSE, nullptr);
        platform.log.clear();
        Command(dialog, ID_EXIT);
        calls = platform.Calls("");
    });
    EXPECT_EQ(calls, "KillTimer, CloseHandle mutex, Tray 2 " + std::to_string(NOTIFYICONDATAA_V1_SIZE) +
                         " 7 1025 Dozewell Timer, EndDialog");
}
