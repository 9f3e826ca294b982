#include "harness/fixture.h"

#include <algorithm>

using namespace harness;

namespace {
// Opens a menu as the shell or the user does and gives it as one line: texts in order, "-" for a
// separator, "#" after a grayed item. A chosen item arrives as a posted command.
std::string Open(HWND dialog, UINT message = WM_TRAYNOTIFY, WPARAM wParam = 0,
                 LPARAM lParam = WM_RBUTTONDOWN) {
    const size_t before = Menus().size();
    SendMessageA(dialog, message, wParam, lParam);
    Pump();
    if (Menus().size() != before + 1) return "no menu";
    std::string out;
    for (const MenuItem& item : Menus().back().items)
        out += (out.empty() ? "" : "|") + (item.separator ? "-" : item.text + (item.grayed ? "#" : ""));
    return out;
}
std::string OpenContext(HWND dialog) {
    return Open(dialog, WM_RBUTTONDOWN, 0, 0);
}

// The hours, minutes and seconds fields have consecutive identifiers.
void Start(HWND dialog) {
    TypeFields(dialog, "0", "0", "5");
    SendCommand(dialog, IDC_START);
}
void Ring(HWND dialog) {
    TypeFields(dialog, "0", "0", "1");
    SendCommand(dialog, IDC_START);
    Tick(dialog, 2);
}

// The foreground step fails for the first `foregroundFailures` calls; pauses are recorded, not slept.
int foregroundFailures = 0;
std::vector<HWND> foregroundTargets;
std::vector<DWORD> pauses;
BOOL WINAPI FlakyForeground(HWND window) {
    foregroundTargets.push_back(window);
    return static_cast<int>(foregroundTargets.size()) > foregroundFailures;
}
void WINAPI RecordedSleep(DWORD ms) {
    pauses.push_back(ms);
}
LONG WINAPI RefusedCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                             LPDWORD) {
    return ERROR_ACCESS_DENIED;
}

decltype(&LoadMenuA) realLoadMenu;
decltype(&DestroyMenu) realDestroyMenu;
std::vector<HMENU> loadedMenus;
int destroyedMenus = 0;
HMENU WINAPI CountedLoadMenu(HINSTANCE instance, LPCSTR name) {
    loadedMenus.push_back(realLoadMenu(instance, name));
    return loadedMenus.back();
}
BOOL WINAPI CountedDestroyMenu(HMENU menu) {
    ++destroyedMenus;
    return realDestroyMenu(menu);
}
}  // namespace

class MenusTest : public DialogTest {
  protected:
    void SetUp() override { Fresh(); }
    void Fresh() {
        ResetProgramState();
        UseCleanRegistry();
        foregroundFailures = 0;
        foregroundTargets.clear();
        pauses.clear();
    }
    ImportPatch foreground_{"user32.dll", "SetForegroundWindow",
                            reinterpret_cast<const void*>(FlakyForeground)};
    ImportPatch sleep_{"kernel32.dll", "Sleep", reinterpret_cast<const void*>(RecordedSleep)};
};

TEST_F(MenusTest, GraysAndLabelFollowTheState) {
    const char* const stopped = "Reset timer|-|Load config|Save config|-|Exit";
    const char* const running = "Reset timer#|-|Load config#|Save config|-|Exit";
    const struct {
        void (*enter)(HWND);
        const char* tray;
        const char* context;
    } cases[] = {
        {[](HWND) {}, "00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About|Exit", stopped},
        {[](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0); },
         "00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit", stopped},
        {Start, "00:00:05|-|Start#|Pause|Stop|-|Hide|-|About|Exit", running},
        {[](HWND d) { Start(d), SendCommand(d, IDC_PAUSE); },
         "00:00:05|-|Start#|Pause|Stop|-|Hide|-|About|Exit", running},
        {Ring, "00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About|Exit", running},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tray);
        Fresh();
        RunMainDialog([&](HWND dialog) {
            c.enter(dialog);
            EXPECT_EQ(Open(dialog), c.tray);
            EXPECT_EQ(OpenContext(dialog), c.context);
            EXPECT_EQ(Open(dialog, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, 0), c.context);
        });
    }
}

TEST_F(MenusTest, TimeTextIsBuiltFromTheFieldsNotTheClock) {
    RunMainDialog([](HWND dialog) {
        const char* cases[][4] = {{"5", "7", "9", "05:07:09"},
                                  {"", "", "", "00:00:00"},
                                  {"12", "0", "45", "12:00:45"},
                                  {"9", "10", "x", "09:10:00"},
                                  {"100", "0", "5", "100:00:05"}};
        for (const auto& c : cases) {
            TypeFields(dialog, c[0], c[1], c[2]);
            const std::string tray = Open(dialog);
            EXPECT_EQ(tray.substr(0, tray.find('|')), c[3]);
        }
        // Typing stops at two digits; only a program can put "100" there.
        SetItemText(dialog, IDC_HOURS, "");
        for (char digit : {'1', '0', '0'}) SendDlgItemMessageA(dialog, IDC_HOURS, WM_CHAR, digit, 0);
        EXPECT_EQ(ItemText(dialog, IDC_HOURS), "10");
    });
}

TEST_F(MenusTest, OpenAboutBoxGraysAboutAndExitAndAllowsNoSecondBox) {
    std::string during;
    RunMainDialog([&](HWND dialog) {
        SetBoxHandler([&](const Box&) {
            if (Boxes().size() > 1) return;
            during = Open(dialog);
            SendCommand(dialog, ID_ABOUT);  // what choosing the tray menu's About delivers
            SendMessageA(dialog, WM_HELP, 0, 0);
        });
        SendMessageA(dialog, WM_HELP, 0, 0);
        EXPECT_EQ(Open(dialog), "00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About|Exit");
    });
    EXPECT_EQ(during, "00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About#|Exit#");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].caption, "About...");
    EXPECT_EQ(Boxes()[0].text.substr(0, 29), "       Dozewell Timer v0.2  \n");
}

TEST_F(MenusTest, OpenErrorReportGraysAllButPauseAndStop) {
    const struct {
        bool running;
        int foregroundFailures;
        const char* tray;
    } cases[] = {
        {false, 0, "00:00:05#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#"},
        {true, 0, "00:00:05#|-|Start#|Pause|Stop|-|Hide#|-|About#|Exit#"},
        {true, 2, "Error|-|Start#|Pause|Stop|-|Hide#|-|About#|Exit#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tray);
        Fresh();
        std::string during;
        RunMainDialog([&](HWND dialog) {
            SetBoxHandler(
                [&](const Box&) { foregroundFailures = c.foregroundFailures, during = Open(dialog); });
            TypeFields(dialog, "0", "0", "5");
            if (!c.running) {
                Recorded().refuseTimer = true;
                SendCommand(dialog, IDC_START);
            } else {
                SendCommand(dialog, IDC_START);
                ImportPatch refused("advapi32.dll", "RegCreateKeyExA",
                                    reinterpret_cast<const void*>(RefusedCreateKey));
                SendCommand(dialog, ID_SAVE_CONFIG);
            }
        });
        EXPECT_EQ(during, c.tray);
        EXPECT_EQ(Boxes().size() == 1 ? Boxes()[0].caption : "", "Error");
    }
}

TEST_F(MenusTest, ForegroundIsTakenForTheDialogWithOneRetryFiftyMillisecondsLater) {
    for (int failures : {0, 1, 2}) {
        Fresh();
        foregroundFailures = failures;
        RunMainDialog([&](HWND dialog) {
            TypeFields(dialog, "1", "2", "3");
            EXPECT_EQ(Open(dialog).substr(0, 6), failures == 2 ? "Error|" : "01:02:");
            for (HWND target : foregroundTargets) EXPECT_EQ(target, dialog);
        });
        EXPECT_EQ(foregroundTargets.size(), failures == 0 ? 1u : 2u) << failures;
        EXPECT_EQ(pauses, failures == 0 ? std::vector<DWORD>{} : std::vector<DWORD>{50}) << failures;
    }
}

TEST_F(MenusTest, ChoosingAnItemDeliversItsCommand) {
    const struct {
        UINT id;
        bool context;
        void (*before)(HWND);
        bool (*done)(HWND);
    } cases[] = {
        {ID_START, false, [](HWND d) { TypeFields(d, "0", "0", "5"); },
         [](HWND) { return appState.running && Recorded().setTimer.size() == 1; }},
        {ID_PAUSE, false, Start, [](HWND) { return appState.paused == 1; }},
        {ID_STOP, false, Start, [](HWND) { return !appState.running && Recorded().killTimer == 1; }},
        {ID_DISPLAY_WINDOW, false, [](HWND) {},
         [](HWND d) { return appState.hidden == 1 && !IsWindowVisible(d); }},
        {ID_DISPLAY_WINDOW, false, [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0); },
         [](HWND d) { return appState.hidden == 0 && IsWindowVisible(d) && !Topmost(d); }},
        {ID_DISPLAY_WINDOW, false, [](HWND d) { Ring(d), SendCommand(d, ID_DISPLAY_WINDOW); },
         [](HWND d) { return appState.hidden == 0 && IsWindowVisible(d) && Topmost(d); }},
        {ID_ABOUT, false, [](HWND) {},
         [](HWND) { return Boxes().size() == 1 && Boxes()[0].caption == "About..."; }},
        {ID_EXIT, false, [](HWND) {},
         [](HWND) { return Recorded().tray.size() == 2 && Recorded().tray[1].message == NIM_DELETE; }},
        {ID_TRAY_TIME, false, [](HWND d) { TypeFields(d, "1", "2", "3"); },
         [](HWND d) {
             return Fields(d) == "1,2,3" && !appState.running && Boxes().empty() && IsWindowVisible(d);
         }},
        {ID_TRAY_TIME, false, [](HWND) { appState.timeUp = 1; },
         [](HWND d) { return appState.ringing && !appState.timeUp && Topmost(d); }},
        {ID_RESET_TIMER, true, [](HWND d) { TypeFields(d, "1", "2", "3"); },
         [](HWND d) { return Fields(d) == "0,0,0"; }},
        {ID_SAVE_CONFIG, true, [](HWND d) { TypeFields(d, "1", "2", "3"); },
         [](HWND) {
             DWORD value = 0, size = sizeof value;
             RegGetValueA(SettingsRoot(), "Software\\Dozewell Timer", "User time", RRF_RT_REG_DWORD, nullptr,
                          &value, &size);
             return value == 0x10203;
         }},
        {ID_LOAD_CONFIG, true,
         [](HWND d) {
             TypeFields(d, "1", "2", "3"), SendCommand(d, ID_SAVE_CONFIG), TypeFields(d, "9", "9", "9");
         },
         [](HWND d) { return Fields(d) == "1,2,3"; }},
        {ID_EXIT, true, [](HWND) {},
         [](HWND) { return Recorded().tray.size() == 2 && Recorded().tray[1].message == NIM_DELETE; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Fresh();
        RunMainDialog([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOW);  // as the dialog's loop does at its first idle moment
            c.before(dialog);
            SetMenuHandler([&](const Menu&) { return c.id; });
            c.context ? OpenContext(dialog) : Open(dialog);
            EXPECT_TRUE(c.done(dialog));
        });
    }
}

TEST_F(MenusTest, EveryOpeningDestroysItsMenu) {
    ImportPatch load("user32.dll", "LoadMenuA", reinterpret_cast<const void*>(CountedLoadMenu));
    ImportPatch destroy("user32.dll", "DestroyMenu", reinterpret_cast<const void*>(CountedDestroyMenu));
    realLoadMenu = load.Original<decltype(&LoadMenuA)>();
    realDestroyMenu = destroy.Original<decltype(&DestroyMenu)>();
    loadedMenus.clear();
    destroyedMenus = 0;
    RunMainDialog([](HWND dialog) {
        for (int i = 0; i < 1000; ++i) Open(dialog), OpenContext(dialog);
    });
    EXPECT_EQ(Menus().size(), 2000u);
    EXPECT_EQ(loadedMenus.size(), 2000u);
    EXPECT_EQ(destroyedMenus, 2000);
    EXPECT_EQ(std::count_if(loadedMenus.begin(), loadedMenus.end(), [](HMENU m) { return !m || IsMenu(m); }),
              0);
}

// With the real foreground call and a hidden host as owner (its style made
// WS_CHILD by the set-up), the tray menu shows the time, not "Error".
class MenusRealForegroundTest : public DialogTest {};

TEST_F(MenusRealForegroundTest, TrayMenuShowsTheTimeUnderTheHiddenHost) {
    const HWND host = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    RunMainDialog(
        [host](HWND dialog) {
            EXPECT_TRUE(GetWindowLongA(host, GWL_STYLE) & WS_CHILD);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            TypeFields(dialog, "0", "5", "7");
            EXPECT_EQ(Open(dialog).substr(0, 8), "00:05:07");
        },
        "IDD_TMP", host);
    DestroyWindow(host);
}
