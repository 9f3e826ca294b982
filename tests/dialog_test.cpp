// The main dialog's set-up, system commands, About box, presets, run states, alarm and exit.
#include "app/about.h"
#include "app/main_dialog.h"
#include "harness/harness.h"

namespace {
// Fields read-only (r) or not (w), then 1 for each of the up-downs, Start, Pause, Stop and lists enabled.
std::string Controls(HWND dialog) {
    std::string out = GetWindowLongA(GetDlgItem(dialog, IDC_HOURS), GWL_STYLE) & ES_READONLY ? "r " : "w ";
    for (int id = IDC_TIME_LIST; id <= IDC_SPIN_SECONDS; ++id)
        out += IsWindowEnabled(GetDlgItem(dialog, id)) ? "1" : "0";
    return out;  // in identifier order: time list, Start, Pause, Stop, signal list, three up-downs
}
constexpr const char* kStopped = "w 11001111";
bool Topmost(HWND window) {
    return GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
}
int failedBoxes = 0;
int WINAPI FailedBox(HWND, LPCSTR, LPCSTR, UINT) {
    return ++failedBoxes, 0;
}
bool ringingAtMinutes = false;
BOOL WINAPI SilentWrite(HWND, int id, UINT, BOOL) {  // a field that does not notify
    if (id == IDC_MINUTES) ringingAtMinutes = appState.ringing;
    return TRUE;
}
}  // namespace

TEST_F(DialogTest, SetUpIconsPictureAndAnExitThatFreesTheGuardBeforeTheDialogEnds) {
    Run([](HWND dialog) {
        EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0),
                  reinterpret_cast<LRESULT>(LoadIconA(appState.instance, "ICON")));
        LOGBRUSH brush{};
        GetObjectA(appState.backgroundBrush, sizeof brush, &brush);
        EXPECT_EQ(brush.lbColor, RGB(0x43, 0xA9, 0xF9));
        const HDC context = GetDC(dialog);  // the picture fits, so statics paint on it
        EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context), 0),
                  reinterpret_cast<LRESULT>(appState.backgroundBrush));
        ReleaseDC(dialog, context);
        RECT outer;
        GetWindowRect(dialog, &outer);
        SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + 1,
                     SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_FALSE(BackgroundFits(dialog, GetDlgItem(dialog, IDC_BACKGROUND)));
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        appState.mutex = CreateMutexA(nullptr, FALSE, nullptr);
        const HANDLE guard = appState.mutex;
        DWORD flags;
        Command(dialog, ID_EXIT);
        EXPECT_TRUE(!GetHandleInformation(guard, &flags) && IsWindow(dialog));
    });
    const std::string icon = " " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + " 7 401 Dozewell Timer";
    EXPECT_EQ(Calls("Tray"), "Tray 0" + icon + ", Tray 0" + icon + ", Tray 2" + icon);
}

TEST_F(DialogTest, SystemCommandsAndOneAboutBoxAtATime) {
    Run([](HWND dialog) {
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE + HTCAPTION, 0);  // a caption double click: nothing
        Command(dialog, IDOK);
        EXPECT_EQ(Calls("Tray 2"), "");  // nor Enter: it does not end the dialog
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_TRUE(!IsWindowVisible(dialog) && appState.hidden && appState.running && !IsZoomed(dialog));
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // hides, even when already hidden
        EXPECT_TRUE(!appState.running && appState.hidden && !IsIconic(dialog));
        std::vector<std::string> menus;
        onMenu = [&](const std::string& menu) { return menus.push_back(menu), 0u; };
        SetCursorPos(123, 45);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, 0);
        SendMessageA(dialog, WM_RBUTTONDOWN, 0, 0);
        EXPECT_EQ(menus, std::vector<std::string>(2, "Reset timer|-|Load config|Save config|-|Exit"));
        onBox = [&](const std::string&) { SendMessageA(dialog, WM_HELP, 0, 0); };  // no second box meanwhile
        SendMessageA(dialog, WM_HELP, 0, 0);
        ImportPatch failing("MessageBoxA", reinterpret_cast<const void*>(FailedBox));
        for (int i = 0; i < 2; ++i)
            SendMessageA(dialog, WM_HELP, 0, 0);  // a box that failed to open ends About
        Command(dialog, ID_ABOUT);
    });
    EXPECT_EQ(Calls("Menu") + " " + Calls("SetTimer"), "Menu 123,45, Menu 123,45 SetTimer 1000");
    EXPECT_EQ(Calls("Box"), "Box About...: " + std::string(kAboutText));
    EXPECT_EQ(failedBoxes, 1);
}

TEST_F(DialogTest, PresetsAndReset) {
    const char* durations[] = {"0,0,0", "0,1,0",  "0,5,0", "0,10,0", "0,15,0", "0,30,0",
                               "1,0,0", "1,30,0", "2,0,0", "2,30,0", "3,0,0"};
    Run([&](HWND dialog) {
        for (int i = 10; i >= 0; --i) {
            Choose(dialog, IDC_TIME_LIST, i);
            EXPECT_EQ(Fields(dialog), durations[i]);
        }
        Type(dialog, "4", "5", "6");
        Command(dialog, IDC_TIME_LIST, CBN_DROPDOWN);
        Command(dialog, ID_RESET_TIMER);
        EXPECT_EQ(Fields(dialog), "0,0,0");
    });
}

TEST_F(DialogTest, RunStatesTheAlarmAndStop) {
    Run([](HWND dialog) {
        Choose(dialog, IDC_TIME_LIST, 1);
        Type(dialog, "99", "99", "2");
        Command(dialog, IDC_START);
        EXPECT_EQ(Controls(dialog) + " " + Fields(dialog),
                  "r 00110000 99,99,2");  // the clock is clamped, not the text
        Tick(dialog);
        EXPECT_EQ(Fields(dialog), "24,59,1");
        Command(dialog, IDC_STOP);
        EXPECT_EQ(Controls(dialog) + " " + Fields(dialog),
                  std::string(kStopped) + " 0,1,0");  // the entry again
        Type(dialog, "0", "0", "2");
        Command(dialog, IDC_START);
        Tick(dialog);
        Command(dialog, IDC_PAUSE);
        Tick(dialog, 3);
        Command(dialog, IDC_PAUSE);
        Command(dialog, ID_RESET_TIMER);  // nothing while running
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        Tick(dialog);
        EXPECT_EQ(Fields(dialog) + (appState.ringing ? " ringing" : ""), "0,0,0");
        Tick(dialog);  // finds 0:0:0: the alarm shows the hidden window on top
        EXPECT_TRUE(appState.ringing && IsWindowVisible(dialog) && Topmost(dialog) && !appState.hidden);
        EXPECT_EQ(Controls(dialog), "r 00010000");
        Tick(dialog, 58);
        EXPECT_TRUE(appState.ringing);
        Tick(dialog);  // the alarm's 59th tick stops it
        EXPECT_EQ(Controls(dialog) + " " + Fields(dialog), std::string(kStopped) + " 0,1,0");
        EXPECT_FALSE(Topmost(dialog));
        Choose(dialog, IDC_SIGNAL_LIST, 3);  // No signal
        Type(dialog, "0", "0", "0");
        Command(dialog, IDC_START);
        Tick(dialog);
        EXPECT_TRUE(appState.ringing);
        Command(dialog, IDC_STOP);
    });
    EXPECT_EQ(Calls("PlaySound"), "PlaySound - 0, PlaySound BEEP 4000d, PlaySound - 0");
}

TEST_F(DialogTest, TheAlarmStartsWithinItsTickEvenWhereFieldsDoNotNotify) {
    Run([](HWND dialog) {
        Command(dialog, IDC_START);
        ImportPatch write("SetDlgItemInt", reinterpret_cast<const void*>(SilentWrite));
        Tick(dialog);
        EXPECT_TRUE(ringingAtMinutes);
    });
}

TEST_F(DialogTest, ARefusedStartIsReportedAndChangesNothing) {
    Run([](HWND dialog) {
        std::vector<std::string> boxes;
        onBox = [&](const std::string& box) {
            boxes.push_back(box + (IsWindowVisible(dialog) ? "" : " (hidden)"));
        };
        failing = {"SetTimer"};
        Command(dialog, IDC_START);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        failing = {"throw SetTimer"};
        Command(dialog, IDC_START);
        EXPECT_EQ(boxes, (std::vector<std::string>{"Error!: No timer is available\n",
                                                   "Error!: No timer is available\n (hidden)",
                                                   "Error!: Unknow error (hidden)"}));
        EXPECT_EQ(Controls(dialog), kStopped);
        EXPECT_FALSE(appState.running || appState.errorShowing || appState.pendingError.timerFlags);
    });
}
