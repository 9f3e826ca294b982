// The two popup menus by state, and what clicks on the notification-area icon do.
#include <algorithm>
#include <cstring>

#include "harness/harness.h"

namespace {
void OpenBothMenus(HWND dialog) {
    SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
    SendMessageA(dialog, WM_RBUTTONDOWN, 0, 0);
}
void Ring(HWND dialog) {
    Type(dialog, "0", "0", "0");
    Command(dialog, IDC_START);
    Tick(dialog);
}
}  // namespace

TEST_F(DialogTest, MenusGrayAndLabelTheirItemsByState) {
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
        Type(dialog, "1", "2", "3");
        OpenBothMenus(dialog);
        platform.failing = {"SetForegroundWindow"};  // the time item says the menu may not close
        OpenBothMenus(dialog);
        platform.failing.clear();
        Command(dialog, IDC_START);
        OpenBothMenus(dialog);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        OpenBothMenus(dialog);
        Command(dialog, IDC_STOP);
        Ring(dialog);
        onBox = [&](const std::string&) { OpenBothMenus(dialog); };
        SendMessageA(dialog, WM_HELP, 0, 0);  // About open
        Command(dialog, IDC_STOP);
        platform.failing = {"SetTimer"};  // an error report open
        Command(dialog, IDC_START);
        EXPECT_EQ(menus, expected);
    });
    // Every menu opened where the pointer was.
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), "Menu 123,45"), 12);
}

namespace {
// Windows' activation as the tray rules see it: the window the program's
// thread has active, changed by the foreground step as Windows would.
HWND active = nullptr;
int sentBack = 0;
decltype(&SetWindowPos) realSetWindowPos;
HWND WINAPI ModelActiveWindow() {
    return active;
}
BOOL WINAPI ModelForeground(HWND window) {
    if (active != window) SendMessageA(active = window, WM_ACTIVATE, WA_ACTIVE, 0);
    return TRUE;
}
BOOL WINAPI CountSendBack(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
    sentBack += after == HWND_BOTTOM && flags == (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return realSetWindowPos(window, after, x, y, cx, cy, flags);
}
}  // namespace

TEST_F(DialogTest, IconClicksBringForwardOrSendBackAndAlwaysBringBackAHiddenWindow) {
    // A/I: the dialog gains or loses the activation; m: the pointer reaches the icon; c: click;
    // d: double click; h: the minimize box; r: the alarm rings; tray menu closed by T: Esc,
    // P: Pause, B: About, E: Start with the timer refused.
    const struct {
        const char* steps;
        int sentBack;
        bool visible;
    } cases[] = {
        {"AmIc", 1, true},    {"Amc", 0, true},     {"mIc", 0, true},    {"rAmIc", 0, true},
        {"cd", 0, false},     {"hd", 0, false},     {"hITmIc", 0, true}, {"hIPmIc", 0, true},
        {"hIBAmIc", 0, true}, {"hIEAmIc", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        if (&c != cases) TearDown(), SetUp();
        active = nullptr;
        sentBack = 0;
        ImportPatch activeWindow("user32.dll", "GetActiveWindow",
                                 reinterpret_cast<const void*>(ModelActiveWindow));
        ImportPatch foreground("user32.dll", "SetForegroundWindow",
                               reinterpret_cast<const void*>(ModelForeground));
        ImportPatch windowPos("user32.dll", "SetWindowPos", reinterpret_cast<const void*>(CountSendBack));
        realSetWindowPos = reinterpret_cast<decltype(&SetWindowPos)>(windowPos.original);
        Run([&](HWND dialog) {
            onBox = [](const std::string&) {};
            for (const char* step = c.steps; *step; ++step) {
                const char* choice = std::strchr("TPBE", *step);
                if (choice) {
                    const UINT commands[] = {0, ID_PAUSE, ID_ABOUT, ID_START};
                    if (*step == 'P') Command(dialog, IDC_START);
                    if (*step == 'E') platform.failing = {"SetTimer"};
                    onMenu = [&](const std::string&) { return commands[choice - "TPBE"]; };
                    SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
                    Pump();
                }
                if (*step == 'A') ModelForeground(dialog);
                if (*step == 'I') active = nullptr, SendMessageA(dialog, WM_ACTIVATE, WA_INACTIVE, 0);
                if (*step == 'h') SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
                if (*step == 'r') Ring(dialog);
                const LPARAM mouse[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
                if (const char* at = std::strchr("mcd", *step))
                    SendMessageA(dialog, WM_TRAYNOTIFY, 0, mouse[at - "mcd"]);
            }
            EXPECT_EQ(sentBack, c.sentBack);
            EXPECT_EQ(IsWindowVisible(dialog) != FALSE, c.visible);
            EXPECT_EQ(appState.hidden, c.visible ? 0u : 1u);
        });
    }
}
