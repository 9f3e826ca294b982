#include "harness/fixture.h"

#include <cstring>
#include <tuple>

#include "app/main_dialog.h"
#include "tray/tray_icon.h"

using namespace harness;

namespace {
std::vector<HWND> foregrounds;
int sentBack = 0;
decltype(&SetForegroundWindow) realForeground;
decltype(&SetWindowPos) realSetWindowPos;
BOOL WINAPI RecordedForeground(HWND window) {
    foregrounds.push_back(window);
    return realForeground(window);
}
BOOL WINAPI RecordedSetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
    if (after == HWND_BOTTOM && x == 0 && y == 0 && cx == 0 && cy == 0 && flags == 0x13) ++sentBack;
    return realSetWindowPos(window, after, x, y, cx, cy, flags);
}

void Notify(HWND dialog, LPARAM mouse) {
    SendMessageA(dialog, WM_TRAYNOTIFY, 0, mouse);
}
}  // namespace

class TrayTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        realForeground = foreground_.Original<decltype(&SetForegroundWindow)>();
        realSetWindowPos = windowPos_.Original<decltype(&SetWindowPos)>();
    }
    ImportPatch foreground_{"user32.dll", "SetForegroundWindow",
                            reinterpret_cast<const void*>(RecordedForeground)};
    ImportPatch windowPos_{"user32.dll", "SetWindowPos", reinterpret_cast<const void*>(RecordedSetWindowPos)};
};

TEST_F(TrayTest, LeftClickSendsBackOnlyTheDialogWhoseClickTookTheActivation) {
    // A/I: the dialog gains/loses the activation; m: pointer move; c: left click; d: double click;
    // h: minimize box (hides); r: the alarm rings.
    struct Case {
        const char* steps;
        int broughtForward;
        int sentBack;
        bool hidden;
    } cases[] = {
        {"AmIc", 0, 1, false},  {"Amc", 1, 0, false}, {"mIc", 0, 1, false},   {"AIc", 1, 0, false},
        {"Ihc", 1, 0, false},   {"hmc", 1, 0, false}, {"AmIcc", 1, 1, false}, {"AmIcmIcmIc", 0, 3, false},
        {"rAmIc", 1, 0, false}, {"cd", 1, 0, true},   {"hcd", 1, 0, true},    {"hd", 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        ResetProgramState();
        foregrounds.clear();
        sentBack = 0;
        RunMainDialog([&](HWND dialog) {
            ShowWindow(dialog, SW_SHOW);  // as the dialog's loop does at its first idle moment
            for (const char* step = c.steps; *step; ++step) {
                switch (*step) {
                case 'A': SendMessageA(dialog, WM_ACTIVATE, WA_ACTIVE, 0); break;
                case 'I': SendMessageA(dialog, WM_ACTIVATE, WA_INACTIVE, 0); break;
                case 'm': Notify(dialog, WM_MOUSEMOVE); break;
                case 'c':
                    Notify(dialog, WM_LBUTTONDOWN);
                    EXPECT_TRUE(appState.hoverWindow == nullptr && appState.hoverArmed);
                    break;
                case 'd': Notify(dialog, WM_LBUTTONDBLCLK); break;
                case 'h': SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
                case 'r':
                    SetItemText(dialog, IDC_SECONDS, "1");
                    SendCommand(dialog, IDC_START);
                    Tick(dialog, 2);
                    ASSERT_TRUE(appState.ringing);
                    break;
                }
            }
            EXPECT_EQ(foregrounds, std::vector<HWND>(c.broughtForward, dialog));
            EXPECT_EQ(sentBack, c.sentBack);
            EXPECT_EQ(appState.hidden, c.hidden ? 1u : 0u);
            EXPECT_EQ(IsWindowVisible(dialog), !c.hidden);
        });
    }
}

TEST_F(TrayTest, ActivationStateIsComparedWholeAndAlwaysHandled) {
    RunMainDialog([](HWND dialog) {
        const struct {
            WPARAM state;
            int active;  // -1: unchanged
            bool arms;
        } cases[] = {{WA_INACTIVE, 0, true}, {WA_ACTIVE, 1, true}, {WA_CLICKACTIVE, 1, true}, {3, -1, false},
                     {0x10000, -1, false},   {0x10001, -1, false}, {0x20002, -1, false}};
        for (const auto& c : cases) {
            for (std::uint8_t before : {0, 1}) {
                appState.dialogActive = before;
                appState.hoverArmed = 0;
                EXPECT_EQ(MainDialogProc(dialog, WM_ACTIVATE, c.state, 0), TRUE) << c.state;
                EXPECT_EQ(appState.dialogActive, c.active < 0 ? before : c.active) << c.state;
                EXPECT_EQ(appState.hoverArmed != 0, c.arms) << c.state;
            }
        }
    });
}

TEST_F(TrayTest, TrayNotificationIsNeverReportedHandled) {
    RunMainDialog([](HWND dialog) {
        for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                             WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, 0}) {
            EXPECT_EQ(MainDialogProc(dialog, WM_TRAYNOTIFY, 0, mouse), FALSE) << mouse;
            Pump();
        }
        EXPECT_EQ(Menus().size(), 1u);  // the right button alone opens the tray menu
    });
}

TEST_F(TrayTest, IconIsAddedAtSetUpAgainWhenTheShellRestartsAndDeletedAtExit) {
    HWND shown = nullptr;
    RunMainDialog([&](HWND dialog) {
        shown = dialog;
        ASSERT_EQ(Recorded().tray.size(), 1u);
        const NOTIFYICONDATAA added = Recorded().tray[0].record;
        EXPECT_EQ(std::make_tuple(Recorded().tray[0].message, added.cbSize, added.hWnd, added.uID,
                                  added.uFlags, added.uCallbackMessage, std::string(added.szTip)),
                  std::make_tuple(DWORD{NIM_ADD}, DWORD{NOTIFYICONDATAA_V1_SIZE}, dialog, 0u, 7u, 0x401u,
                                  std::string("Dozewell Timer")));
        EXPECT_NE(added.hIcon, nullptr);
        SendMessageA(dialog, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        ASSERT_EQ(Recorded().tray.size(), 2u);
        EXPECT_EQ(Recorded().tray[1].message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(std::memcmp(&Recorded().tray[1].record, &added, NOTIFYICONDATAA_V1_SIZE), 0);
    });
    ASSERT_EQ(Recorded().tray.size(), 3u);
    const auto& deleted = Recorded().tray[2];
    EXPECT_EQ(std::make_tuple(deleted.message, deleted.record.hWnd, deleted.record.uID),
              std::make_tuple(DWORD{NIM_DELETE}, shown, 0u));
}

TEST_F(TrayTest, TipIsCutTo63Characters) {
    const std::string tip(70, 'x');
    NotifyTray(nullptr, NIM_ADD, 0, nullptr, tip.c_str());
    NotifyTray(nullptr, NIM_DELETE, 0, nullptr, nullptr);
    ASSERT_EQ(Recorded().tray.size(), 2u);
    EXPECT_EQ(Recorded().tray[0].record.szTip, tip.substr(0, 63));
    EXPECT_STREQ(Recorded().tray[1].record.szTip, "");
}
