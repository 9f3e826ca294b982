#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <sstream>

#include "app/main_dialog.h"
#include "app/shutdown.h"
#include "harness/fixture.h"

using namespace harness;

namespace {

constexpr UINT kKeyF1 = 0x004D;  // WM_KEYF1: what the F1 key gives the focused control

// Dispatches the queue as the modal loop does: through IsDialogMessage first.
void PumpDialog(HWND dialog) {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);)
        if (!IsDialogMessageA(dialog, &msg)) TranslateMessage(&msg), DispatchMessageA(&msg);
}
void PressKey(HWND dialog, UINT message, WPARAM key) {
    PostMessageA(GetFocus() ? GetFocus() : dialog, message, key, 0);
    PumpDialog(dialog);
}

bool Shown(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}
bool TrayDeleted() {
    return std::any_of(Recorded().tray.begin(), Recorded().tray.end(),
                       [](const Calls::Tray& call) { return call.message == NIM_DELETE; });
}
std::string Entries(HWND dialog, int id) {
    std::string entries;
    char text[64];
    for (LRESULT i = 0; i < SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0); ++i) {
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries += (i ? "|" : "") + std::string(text);
    }
    return entries;
}
BOOL CALLBACK FindMainDialog(HWND window, LPARAM found) {
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, "Dozewell Timer") == 0) *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

class ShellTest : public DialogTest {};

TEST_F(ShellTest, ListsFieldsAndUpDownsAreSetUp) {
    RunMainDialog([](HWND dialog) {
        EXPECT_EQ(
            Entries(dialog, IDC_TIME_LIST),
            "User time|1 min|5 min|10 min|15 min|30 min|1 hour|1 hour 30 min|2 hour|2 hour 30 min|3 hour");
        EXPECT_EQ(Entries(dialog, IDC_SIGNAL_LIST), "Beep|Buzz|Cuckoo|No signal");
        const int limits[][3] = {{IDC_HOURS, IDC_SPIN_HOURS, 24},
                                 {IDC_MINUTES, IDC_SPIN_MINUTES, 59},
                                 {IDC_SECONDS, IDC_SPIN_SECONDS, 59}};
        for (const auto& [field, spin, upper] : limits) {
            EXPECT_EQ(SendDlgItemMessageA(dialog, field, EM_GETLIMITTEXT, 0, 0), 2) << field;
            int low = -1, high = -1;
            SendDlgItemMessageA(dialog, spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                                reinterpret_cast<LPARAM>(&high));
            EXPECT_EQ(std::make_pair(low, high), std::make_pair(0, upper)) << spin;
        }
    });
}

TEST_F(ShellTest, F1OpensOneAboutBoxAtATime) {
    INT_PTR secondF1 = -1;
    std::uint32_t allowedWhileOpen = 1;
    SetBoxHandler([&](const Box&) {
        if (Boxes().size() > 1) return;  // a second box: closed at once, counted below
        allowedWhileOpen = appState.aboutAllowed;
        SendMessageA(GetDlgItem(MainDialog(), IDC_HOURS), kKeyF1, 0, 0);
        secondF1 = MainDialogProc(MainDialog(), WM_HELP, 0, 0);
    });
    RunMainDialog([](HWND dialog) { PressKey(dialog, kKeyF1, 0); });
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(allowedWhileOpen, 0u);
    EXPECT_EQ(secondF1, 1);
    EXPECT_EQ(appState.aboutAllowed, 1u);
    const Box& box = Boxes()[0];
    EXPECT_EQ(box.caption, "About...");
    EXPECT_TRUE(box.topmost);
    EXPECT_EQ(box.icon, 0u);
    // The layout: the first line whole, then the leading blanks of each line ("-" when empty).
    std::istringstream text(box.text);
    std::string first, shape;
    std::getline(text, first);
    EXPECT_EQ(first, "       Dozewell Timer v0.2  ");
    for (std::string line; std::getline(text, line);)
        shape += line.empty() ? "- " : std::to_string(line.find_first_not_of(' ')) + " ";
    EXPECT_EQ(shape, "- 5 1 - 10 10 ");
}

TEST_F(ShellTest, SystemCommandsHideStartOrStopInsteadOfResizing) {
    // After the command: its result, window state, run state, SetTimer and KillTimer calls.
    const std::tuple<WPARAM, bool, const char*> cases[] = {
        {SC_MINIMIZE, false, "1 hidden stopped 0 0"},
        {SC_MINIMIZE, true, "1 hidden running 1 0"},
        {SC_MAXIMIZE, false, "1 hidden running 1 0"},
        {SC_MAXIMIZE, true, "1 shown stopped 1 1"},
        {SC_MAXIMIZE + HTCAPTION, false, "1 shown stopped 0 0"},  // a caption double click
        {SC_MINIMIZE + 1, false, "0 shown stopped 0 0"},          // compared whole, never masked
        {SC_MAXIMIZE + 1, true, "0 shown running 1 0"},
    };
    for (const auto& [command, runningBefore, expected] : cases) {
        ResetProgramState();
        RunMainDialog([&, command = command, runningBefore = runningBefore](HWND dialog) {
            SetItemText(dialog, IDC_SECONDS, "30");
            if (runningBefore) SendCommand(dialog, IDC_START);
            std::ostringstream seen;
            seen << MainDialogProc(dialog, WM_SYSCOMMAND, command, 0);
            const bool visible = IsWindowVisible(dialog);
            EXPECT_EQ(appState.hidden, visible ? 0u : 1u);
            EXPECT_FALSE(IsIconic(dialog) || IsZoomed(dialog));
            seen << (visible ? " shown " : " hidden ") << (appState.running ? "running " : "stopped ")
                 << Recorded().setTimer.size() << ' ' << Recorded().killTimer;
            EXPECT_EQ(seen.str(), expected) << std::hex << command;
            EXPECT_EQ(Recorded().setTimer, std::vector<UINT>(Recorded().setTimer.size(), 1000));
        });
    }
}

TEST_F(ShellTest, MaximizeHidesBeforeARefusedStartIsReported) {
    Recorded().refuseTimer = true;
    bool visibleUnderBox = true;
    SetBoxHandler([&](const Box&) { visibleUnderBox = IsWindowVisible(MainDialog()) != 0; });
    RunMainDialog([](HWND dialog) { MainDialogProc(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0); });
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_FALSE(visibleUnderBox);
}

TEST_F(ShellTest, EnterDoesNothingWhileEscAndCloseEndTheDialog) {
    // The close box and Alt+F4 arrive as SC_CLOSE, then WM_CLOSE; the platform posts IDCANCEL for both.
    const std::function<void(HWND)> ways[] = {
        [](HWND dialog) { PressKey(dialog, WM_KEYDOWN, VK_ESCAPE); },
        [](HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0), PumpDialog(dialog); },
        [](HWND dialog) { SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0), PumpDialog(dialog); },
    };
    for (const auto& end : ways) {
        ResetProgramState();
        HWND ended = nullptr;
        RunMainDialog([&](HWND dialog) {
            ended = dialog;
            PressKey(dialog, WM_KEYDOWN, VK_RETURN);
            SendCommand(dialog, IDOK);
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_EQ(Recorded().killTimer, 0);
            EXPECT_FALSE(TrayDeleted());
            end(dialog);
            EXPECT_FALSE(IsWindowVisible(dialog));
            EXPECT_EQ(Recorded().killTimer, 1);
            EXPECT_TRUE(TrayDeleted());
        });
        EXPECT_FALSE(IsWindow(ended));
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ShellTest, PictureIsKeptOnlyWhenItExactlyFitsTheClientArea) {
    // The test templates are one dialog unit taller or wider than the picture.
    for (const char* name : {"IDD_TMP", "TALLER_DIALOG", "WIDER_DIALOG"}) {
        SCOPED_TRACE(name);
        const bool fits = std::string(name) == "IDD_TMP";
        ResetProgramState();
        RunMainDialog(
            [&](HWND dialog) {
                EXPECT_EQ(appState.backgroundFits, fits);
                EXPECT_EQ(Shown(dialog, IDC_BACKGROUND), fits);
                for (int group :
                     {IDC_GROUP_SET_TIME, IDC_GROUP_SELECT_TIME, IDC_GROUP_CONTROL, IDC_GROUP_SIGNAL})
                    EXPECT_EQ(Shown(dialog, group), !fits) << group;
                const HDC context = GetDC(dialog);
                SetBkMode(context, OPAQUE);
                EXPECT_EQ(MainDialogProc(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context), 0),
                          fits ? reinterpret_cast<INT_PTR>(appState.backgroundBrush) : 0);
                EXPECT_EQ(GetBkMode(context), fits ? TRANSPARENT : OPAQUE);
                ReleaseDC(dialog, context);
            },
            name);
    }
    EXPECT_NE(appState.backgroundBrush, nullptr);
}

TEST_F(ShellTest, RightButtonAndSystemMenuAreaOpenTheContextMenu) {
    SetMenuHandler([](const Menu&) { return 0u; });
    RunMainDialog([](HWND dialog) {
        EXPECT_EQ(MainDialogProc(dialog, WM_RBUTTONDOWN, 0, MAKELPARAM(150, 90)), 1);
        EXPECT_EQ(MainDialogProc(dialog, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, 0), 1);
    });
    ASSERT_EQ(Menus().size(), 2u);
    for (const Menu& menu : Menus()) {
        std::vector<UINT> ids;
        for (const MenuItem& item : menu.items) ids.push_back(item.id);
        EXPECT_EQ(ids, (std::vector<UINT>{ID_RESET_TIMER, 0, ID_LOAD_CONFIG, ID_SAVE_CONFIG, 0, ID_EXIT}));
    }
}

// The process's own chain: the hidden host owns the main dialog, and Esc ends both.
TEST_F(ShellTest, HostOwnsTheMainDialogAndEndsWithIt) {
    HWND host = nullptr, dialog = nullptr;
    Post([&] {
        EnumThreadWindows(GetCurrentThreadId(), FindMainDialog, reinterpret_cast<LPARAM>(&dialog));
        ASSERT_NE(dialog, nullptr);
        host = GetWindow(dialog, GW_OWNER);
        // The platform keeps WS_CLIPSIBLINGS on every top-level window.
        EXPECT_EQ(GetWindowLongA(host, GWL_STYLE) & ~WS_CLIPSIBLINGS, WS_CHILD);
        EXPECT_FALSE(IsWindowVisible(host));
        PressKey(dialog, WM_KEYDOWN, VK_ESCAPE);
    });
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), "DIALOG_DESCTOP_WND", nullptr, HostDialogProc, 0),
              0);
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(IsWindow(host));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(Recorded().killTimer, 1);
}

}  // namespace
