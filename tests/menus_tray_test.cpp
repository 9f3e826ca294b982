// The two popup menus by state, and what clicks on the notification-area icon do.
#include <cstring>

#include "harness/harness.h"

namespace {
void Ring(HWND dialog) {
    Type(dialog, "0", "0", "0");
    Command(dialog, IDC_START);
    Tick(dialog);
}
// Windows' activation as the tray rules see it: the window active in the
// program's thread, which the foreground step changes as Windows would.
HWND active = nullptr;
int sentBack = 0;
bool foregroundRefused = false;
HWND WINAPI ActiveWindow() {
    return active;
}
BOOL WINAPI Foreground(HWND window) {
    if (active != window && !foregroundRefused) SendMessageA(active = window, WM_ACTIVATE, WA_ACTIVE, 0);
    return !foregroundRefused;
}
BOOL WINAPI CountSendBack(HWND window, HWND after, int, int, int, int, UINT flags) {
    sentBack += after == HWND_BOTTOM && flags == (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return flags & SWP_SHOWWINDOW ? ShowWindow(window, SW_SHOW) : TRUE;
}
struct TrayTest : DialogTest {
    void SetUp() override {
        DialogTest::SetUp();
        active = nullptr;
        sentBack = 0;
        foregroundRefused = false;
    }
    // Wine's own activation differs from Windows': the rules see the model's.
    ImportPatch activeWindow{"GetActiveWindow", reinterpret_cast<const void*>(ActiveWindow)};
    ImportPatch foreground{"SetForegroundWindow", reinterpret_cast<const void*>(Foreground)};
    ImportPatch windowPos{"SetWindowPos", reinterpret_cast<const void*>(CountSendBack)};
};
}  // namespace

TEST_F(TrayTest, MenusGrayAndLabelTheirItemsByState) {
    const std::string context = "Reset timer|-|Load config|Save config|-|Exit";
    const std::string contextRunning = "Reset timer#|-|Load config#|Save config|-|Exit";
    const std::vector<std::string> expected = {
        "01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit",      context,
        "Error|-|Start|Pause#|Stop#|-|Hide|-|About|Exit",         context,
        "01:02:03|-|Start#|Pause|Stop|-|Hide|-|About|Exit",       contextRunning,
        "01:02:03|-|Start#|Pause|Stop|-|Show|-|About|Exit",       contextRunning,
        "00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About#|Exit#",    contextRunning,
        "00:00:00#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#", context,
    };
    Run([&](HWND dialog) {
        std::vector<std::string> menus;
        onMenu = [&](const std::string& menu) { return menus.push_back(menu), 0u; };
        const auto openBoth = [&] {
            SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
            SendMessageA(dialog, WM_RBUTTONDOWN, 0, 0);
        };
        Type(dialog, "1", "2", "3");
        openBoth();
        foregroundRefused = true;  // the menu might not close, and says so in its first item
        openBoth();
        foregroundRefused = false;
        Command(dialog, IDC_START);
        openBoth();
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        openBoth();
        Command(dialog, IDC_STOP);
        Ring(dialog);
        onBox = [&](const std::string&) { openBoth(); };
        SendMessageA(dialog, WM_HELP, 0, 0);  // with About open
        Command(dialog, IDC_STOP);
        failing = {"SetTimer"};  // with an error report open
        Command(dialog, IDC_START);
        EXPECT_EQ(menus, expected);
    });
}

TEST_F(TrayTest, ClicksBringForwardOrSendBackAndAlwaysBringBackAHiddenWindow) {
    // A/I: the dialog gains or loses the activation; m: the pointer reaches the icon; c: click; d: double
    // click; h: the minimize box; r: the alarm rings; the tray menu closed by T: Esc, P: Pause,
    // B: About, E: Start with the timer refused.
    const std::pair<const char*, const char*> cases[] = {
        {"AmIc", "sent back"}, {"Amc", "shown"},     {"mIc", "shown"},    {"rAmIc", "shown"},
        {"cd", "hidden"},      {"hd", "hidden"},     {"hITmIc", "shown"}, {"hIPmIc", "shown"},
        {"hIBAmIc", "shown"},  {"hIEAmIc", "shown"},
    };
    for (const auto& [steps, outcome] : cases) {
        SCOPED_TRACE(steps);
        TearDown(), SetUp();
        Run([&](HWND dialog) {
            onBox = [](const std::string&) {};
            for (const char* step = steps; *step; ++step) {
                const char* choice = std::strchr("TPBE", *step);
                const UINT commands[] = {0, ID_PAUSE, ID_ABOUT, ID_START};
                if (*step == 'P') Command(dialog, IDC_START);
                if (*step == 'E') failing = {"SetTimer"};
                onMenu = [&](const std::string&) { return commands[choice - "TPBE"]; };
                if (choice) SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN), Pump();
                if (*step == 'A') Foreground(dialog);
                if (*step == 'I') active = nullptr, SendMessageA(dialog, WM_ACTIVATE, WA_INACTIVE, 0);
                if (*step == 'h') SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
                if (*step == 'r') Ring(dialog);
                const LPARAM mouse[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
                if (const char* at = std::strchr("mcd", *step))
                    SendMessageA(dialog, WM_TRAYNOTIFY, 0, mouse[at - "mcd"]);
            }
            EXPECT_EQ(sentBack                  ? "sent back"
                      : IsWindowVisible(dialog) ? "shown"
                                                : "hidden",
                      std::string(outcome));
            EXPECT_EQ(appState.hidden, !IsWindowVisible(dialog));
        });
    }
}
