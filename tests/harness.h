// Drives the real dialog in its own loop under Wine; patched imports stand in for the platform where a test
// must control it or Wine is not Windows, and refuse what they do not model. Notation: docs/contributing.md.
#pragma once

#include <windows.h>
#include <dbghelp.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <source_location>
#include <sstream>

#include "app/app_state.h"
#include "app/main_dialog.h"
#include "countdown/run_control.h"
#include "res/resource.h"
#include "settings/settings_store.h"

// The platform's own function, whatever this program's import table holds.
#define REAL(dll, function) ((decltype(&function))(void*)GetProcAddress(LoadLibraryA(dll), #function))

// A fault (not a C++ throw) ends the program at once, named; Wine's debugger would hold it till the time-out.
inline LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode >> 28 != 0xC) return EXCEPTION_CONTINUE_SEARCH;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::printf("crash: exception %08lx in %s\n", exception->ExceptionRecord->ExceptionCode, test->name());
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}
inline const PVOID crashHandler = AddVectoredExceptionHandler(1, OnCrash);

// What the stand-ins hold, fresh for every dialog (docs/contributing.md).
struct Platform {
    std::map<std::string, std::string> calls;  // by first word: "Tray 0 104 7 1025 Dozewell Timer; "...
    std::set<std::string> failing;             // by first word: "SetTimer", "Error" (a box), "throw SetTimer"
    std::map<UINT_PTR, UINT> timers;           // live, with the period asked for
    HWND dialog = nullptr, active = nullptr;   // the activation as Windows keeps it; Wine's differs
    HMENU menu = nullptr;                      // the last one tracked
    bool menuMayOpen = true, sentBack = false, raised = false, paused = false, fieldsWritten = false,
         ended = false, broken = false;
    std::string popups, whileOpen, menuChoice, played;  // see docs/contributing.md
    std::source_location caller;
};
inline Platform platform;

inline bool Log(const std::string& call) {
    const std::string function = call.substr(0, call.find(' '));
    platform.calls[function] += call + "; ";
    if (platform.failing.count("throw " + function)) throw 42;
    return !platform.failing.count(function);
}

inline void Fail(const std::string& what) {
    if (std::exchange(platform.broken, true)) return;
    ADD_FAILURE_AT(platform.caller.file_name(), platform.caller.line())
        << what << "\n  steps played (what the test set in C++ is not among them): " << platform.played;
}

// The run state the controls show ("Running" also paused), else a digit per control, 1 where it is usable.
inline std::string Controls(HWND dialog) {
    std::string usable;
    for (int id = IDC_HOURS; id <= IDC_SPIN_SECONDS; ++id) {
        const LONG locked = id <= IDC_SECONDS ? ES_READONLY : WS_DISABLED;
        usable += GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & locked ? "0" : "1";
    }
    const std::map<std::string, std::string> named = {
        {"11111001111", "Stopped"}, {"00000110000", "Running"}, {"00000010000", "Ringing"}};
    return named.count(usable) ? named.at(usable) : "controls " + usable;
}

// The time the fields show, in seconds, each field counting at most what Start takes from it.
inline unsigned Shown(HWND dialog) {
    unsigned seconds = 0;
    for (int i = 0; i < 3; ++i)
        seconds = seconds * 60 + std::min(GetDlgItemInt(dialog, IDC_HOURS + i, 0, 0), i ? 59u : 24u);
    return seconds;
}

// What the user sees: controls, fields, window, and once anything is stored, the three values and the lists.
inline std::string Look(HWND dialog) {
    std::string text = Controls(dialog), stored = " |";
    for (int i = 0; i < 3; ++i) {
        char field[16] = "";
        GetDlgItemTextA(dialog, IDC_HOURS + i, field, sizeof field);
        text += (i ? "," : " ") + std::string(field);
    }
    text += std::string(IsWindowVisible(dialog) ? "" : " hidden") + (IsIconic(dialog) ? " minimised" : "");
    text += std::string(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST ? " topmost" : "");
    text += platform.sentBack ? " behind" : "";
    for (const char* name : {kUserTimeValue, kSelectTimeValue, kSignalValue}) {
        DWORD number = 0, size = sizeof number;
        const bool missing =
            RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, 0, &number, &size);
        stored += missing ? " -" : " " + std::to_string(number);
    }
    for (int list : {IDC_TIME_LIST, IDC_SIGNAL_LIST})
        stored += " " + std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0));
    return text + (stored.starts_with(" | - - -") ? "" : stored);
}

// The message each named step sends: its number, wParam and lParam. Keys go to the focused control instead.
// clang-format off
inline const std::map<std::string, std::vector<UINT_PTR>> kSteps = {
    {"start", {WM_COMMAND, IDC_START}}, {"pause", {WM_COMMAND, IDC_PAUSE}}, {"stop", {WM_COMMAND, IDC_STOP}},
    {"reset", {WM_COMMAND, ID_RESET_TIMER}}, {"load", {WM_COMMAND, ID_LOAD_CONFIG}}, {"exit", {WM_COMMAND, ID_EXIT}},
    {"save", {WM_COMMAND, ID_SAVE_CONFIG}}, {"about", {WM_COMMAND, ID_ABOUT}}, {"tab", {WM_KEYDOWN, VK_TAB}},
    {"space", {WM_KEYDOWN, VK_SPACE}}, {"enter", {WM_KEYDOWN, VK_RETURN}}, {"up", {WM_KEYDOWN, VK_UP}},
    {"apps", {WM_CONTEXTMENU, 0}}, {"f1", {WM_HELP, 0}}, {"rclick", {WM_RBUTTONDOWN, 0}},
    {"inactive", {WM_ACTIVATE, WA_INACTIVE}}, {"active", {WM_ACTIVATE, WA_ACTIVE}},
    {"clickactive", {WM_ACTIVATE, WA_CLICKACTIVE}}, {"min", {WM_SYSCOMMAND, SC_MINIMIZE}},
    {"min+1", {WM_SYSCOMMAND, SC_MINIMIZE + 1}}, {"max", {WM_SYSCOMMAND, SC_MAXIMIZE}},
    {"caption", {WM_SYSCOMMAND, SC_MAXIMIZE + HTCAPTION}}, {"sysmenu", {WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU}},
    {"tray:move", {WM_TRAYNOTIFY, 0, WM_MOUSEMOVE}}, {"tray:click", {WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN}},
    {"tray:dbl", {WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK}}, {"tray:menu", {WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN}},
    {"stray", {WM_TIMER, TIMER_ID}}, {"alien", {WM_TIMER, 7}}};
// clang-format on

// A key reaches the focused control, if enabled, through the dialog manager; the menu key as WM_CONTEXTMENU.
inline void Key(HWND dialog, UINT message, WPARAM key) {
    const HWND focus = GetFocus();
    MSG down{focus, message, key, 1, 0, {}}, up{focus, WM_KEYUP, key, (LPARAM)0xC0000001, 0, {}};
    if (!focus || !IsWindowEnabled(focus)) return;
    // An Esc waits for any menu the platform's own code opens (an edit's), which no stand-in sees.
    if (message == WM_CONTEXTMENU && PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0))
        SendMessageA(focus, message, (WPARAM)focus, -1);
    if (message != WM_CONTEXTMENU) IsDialogMessageA(dialog, &down);
    if (message == WM_KEYDOWN) IsDialogMessageA(dialog, &up);
}

// Plays one step as the user, another program or the platform would.
inline void Play(HWND dialog, const std::string& step) {
    unsigned n[3] = {};
    if (kSteps.count(step)) {
        const std::vector<UINT_PTR>& message = kSteps.at(step);
        if (message[0] == WM_ACTIVATE) platform.active = message[1] ? dialog : nullptr;
        if (message[0] == WM_KEYDOWN || message[0] == WM_CONTEXTMENU) Key(dialog, message[0], message[1]);
        if (message[0] != WM_KEYDOWN && message[0] != WM_CONTEXTMENU)
            SendMessageA(dialog, message[0], message[1], message.size() > 2 ? message[2] : 0);
        // A right click's release makes the platform's own WM_CONTEXTMENU, at the pointer.
        if (message[0] == WM_RBUTTONDOWN) SendMessageA(dialog, WM_RBUTTONUP, 0, 0);
    } else if (std::sscanf(step.c_str(), "%u:%u:%u", &n[0], &n[1], &n[2]) == 3) {
        for (int i = 0; i < 3; ++i) SetDlgItemInt(dialog, IDC_HOURS + i, n[i], FALSE);
    } else if (step.starts_with("type=")) {
        for (char typed : step.substr(5)) Key(dialog, WM_CHAR, typed);
    } else if (step.starts_with("menu=")) {
        platform.menuChoice = step.substr(5);
    } else if (std::sscanf(step.c_str(), "time=%u", &n[0]) + std::sscanf(step.c_str(), "signal=%u", &n[0])) {
        const int list = step[0] == 't' ? IDC_TIME_LIST : IDC_SIGNAL_LIST;
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, n[0], 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), 0);
    } else if (std::sscanf(step.c_str(), "show=%u,%u", &n[0], &n[1])) {
        ShowWindow(dialog, n[0]);  // as another program may, its show commands queued together
        if (n[1]) ShowWindow(dialog, n[1]);
    } else if (step == "tick") {
        for (auto [id, period] : std::map(platform.timers)) SendMessageA(dialog, WM_TIMER, id, 0);
    } else {
        Fail("no step " + step);
    }
    for (MSG posted; PeekMessageA(&posted, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&posted))
        platform.menuMayOpen |= posted.message == WM_NULL && posted.hwnd == dialog;
}

// Plays a step, then checks the rules that hold after every step, on what the user sees.
inline void Step(HWND dialog, const std::string& step, const std::string& line) {
    const auto keyboardWorks = [dialog](HWND focus) {
        return IsWindowVisible(dialog) && IsChild(dialog, focus) && IsWindowEnabled(focus);
    };
    const bool keyboardWorked = keyboardWorks(GetFocus()), paused = platform.paused;
    const LRESULT defaultButton = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    const std::string was = Controls(dialog);
    const unsigned wasShown = Shown(dialog);
    const bool wasHidden = !IsWindowVisible(dialog);
    // A read-only field still changes, typed, stepped by an arrow, or written by another program.
    platform.fieldsWritten |= was != "Stopped" && (std::isdigit(step[0]) || step == "up");
    const bool typed = std::isdigit(step[0]) || step == "up" || platform.fieldsWritten;
    platform.raised = false;
    Play(dialog, step);
    if (platform.ended) return;
    const std::string now = Controls(dialog);
    const unsigned shown = Shown(dialog);
    const bool hidden = !IsWindowVisible(dialog);
    const bool topmost = GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST;
    const bool ticked = (shown + 1 == wasShown && now == "Running") || (wasShown == 0 && now == "Ringing");
    const std::string flags = appState.ringing ? "Ringing" : (appState.running ? "Running" : "Stopped");
    // clang-format off
    const std::pair<bool, const char*> rules[] = {
        {now != flags, "the controls show the state the program is in"},
        {platform.timers.empty() != (now == "Stopped"), "a timer is live exactly while a countdown runs"},
        {!platform.timers.empty() && platform.timers.begin()->second != 1000, "one tick a second"},
        {topmost != (now == "Ringing"), "the window is topmost exactly while it rings"},
        {now == "Ringing" && was != "Ringing" && hidden, "the alarm shows the window"},
        {!hidden && IsIconic(dialog), "a shown window is never minimised"},
        {IsZoomed(dialog), "the window is never maximised"},
        {IsMenu(std::exchange(platform.menu, nullptr)), "a menu is destroyed once it closes"},
        {keyboardWorked && !hidden && !keyboardWorks(GetFocus()), "the keyboard focus stays on an enabled control"},
        {step.starts_with("tray:") && step != "tray:menu" && SendMessageA(dialog, DM_GETDEFID, 0, 0) != defaultButton,
         "the icon's notifications leave the default button as it was"},
        {step == "tray:menu" && wasHidden && !hidden && !platform.raised, "Show brings it to the front"},
        {step == "tick" && !typed && was == "Running" && (paused ? shown != wasShown : !ticked),
         "a tick lowers the time shown by a second, rings at zero, or, while paused, leaves it"}};
    // clang-format on
    for (auto [broken, rule] : rules)
        if (broken) Fail("step " + step + " of \"" + line + "\": " + rule + "; it left " + Look(dialog));
    if (step == "tick") platform.fieldsWritten = false;
}

// Plays lines of steps, each checked where " = " is followed by the boxes and menus opened and what is seen.
inline void Do(HWND dialog, const std::string& script,
               std::source_location where = std::source_location::current()) {
    platform.caller = where;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find_first_not_of(' '));
        const size_t equals = line.find("= "), opened = platform.popups.size();
        std::istringstream steps(line.substr(0, equals));
        for (std::string step; steps >> step && !platform.broken && !platform.ended;) {
            platform.played += step + " ";
            unsigned ticks = 1;  // tick59 is 59 steps, each checked
            if (std::sscanf(step.c_str(), "tick%u", &ticks) == 1) step = "tick";
            while (ticks--) Step(dialog, step, line);
        }
        const std::string seen = platform.popups.substr(opened) + (platform.ended ? "ended" : Look(dialog));
        if (equals != std::string::npos && seen != line.substr(equals + 2))
            Fail("after " + line.substr(0, equals) + "\n  expected " + line.substr(equals + 2) +
                 "\n  found    " + seen);
    }
}

inline void Popup(HWND owner, const std::string& text) {
    platform.popups += text + "; ";
    Do(owner, std::exchange(platform.whileOpen, ""), platform.caller);
}

// Each stand-in checks the arguments whose meaning the documentation gives; a value it does not model fails.
struct Fake {
    static UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc) {
        if (window != platform.dialog || proc)
            Fail("SetTimer with a callback or another window: not modelled");
        return Log("SetTimer") ? platform.timers.insert_or_assign(id, ms).first->first : 0;
    }
    static BOOL WINAPI KillTimer(HWND, UINT_PTR id) { return Log("KillTimer") && platform.timers.erase(id); }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE module, DWORD flags) {
        if (name && !FindResourceA(module, name, "WAVE")) Fail(name + std::string(" is no WAVE of the exe"));
        return Log("PlaySound " + std::string(name ? name : "-") + " " + std::to_string(flags));
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        platform.ended |= message == NIM_DELETE;  // the last thing before the dialog ends
        return Log("Tray " + std::to_string(message) + " " + std::to_string(icon->cbSize) + " " +
                   std::to_string(icon->uFlags) + " " + std::to_string(icon->uCallbackMessage) + " " +
                   icon->szTip);
    }
    static BOOL WINAPI SetForegroundWindow(HWND window) {
        if (window != platform.dialog || !Log("Foreground")) return FALSE;
        platform.sentBack = false;
        if (std::exchange(platform.active, window) != window) SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        return TRUE;
    }
    static HWND WINAPI GetActiveWindow() { return platform.active; }
    // Sent back is recorded, not made (Wine would move the activation); without SWP_NOACTIVATE it activates.
    static BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
        if (window != platform.dialog ||
            (flags & ~(SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW)) ||
            (after != HWND_TOPMOST && after != HWND_NOTOPMOST && after != HWND_BOTTOM))
            Fail("SetWindowPos flags " + std::to_string(flags) + " or window order not modelled");
        platform.raised |= after == HWND_TOPMOST;
        platform.sentBack = after == HWND_BOTTOM && (flags & SWP_NOACTIVATE);
        if (after != HWND_BOTTOM) return REAL("user32", SetWindowPos)(window, after, x, y, cx, cy, flags);
        return platform.sentBack || SetForegroundWindow(window);
    }
    // Answered at once with the item chosen by its first word; a grayed or missing one closes it as Esc does.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int, int, int reserved, HWND owner,
                                      const RECT* rect) {
        if (flags || reserved || rect || owner != platform.dialog)
            Fail("TrackPopupMenu flags " + std::to_string(flags) + " or owner not modelled");
        std::string text = "Menu";
        UINT chosen = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "-";
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            const bool grayed = (state & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED;
            text += (i ? "|" : " ") + std::string(item) + (grayed ? "#" : "");
            if (!grayed && (item + std::string(" ")).starts_with(platform.menuChoice + " ")) chosen = i + 1;
        }
        if (!text.starts_with("Menu Reset") && !std::exchange(platform.menuMayOpen, false))
            Fail("the tray menu closed as it opened: nothing was posted to the window after the last one");
        // Show or Hide as the window is hidden or not; no Reset or Load while a countdown runs.
        if (text.find(IsWindowVisible(owner) ? "|Show" : "|Hide") != std::string::npos ||
            (text.find("Reset timer#") != std::string::npos) !=
                (text.starts_with("Menu Reset") && Controls(owner) != "Stopped"))
            Fail(text + " does not match the window");
        platform.menu = menu;
        platform.menuChoice.clear();
        Popup(owner, text);
        return !chosen || PostMessageA(owner, WM_COMMAND, GetMenuItemID(menu, chosen - 1), 0);
    }
    // Logged with the style asked for (icon and modality, in hex), its lines joined by "/"; answered OK.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        char hex[9];
        std::string box = caption + std::string(" ") + _itoa(style, hex, 16) + ": " + text;
        std::replace(box.begin(), box.end(), '\n', '/');
        if (owner != platform.dialog || !Log(box)) return 0;
        Popup(owner, box);
        return IDOK;
    }
    static LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD size) {
        return Log("RegSetValueExA") ? RegSetKeyValueA(key, nullptr, name, type, data, size)
                                     : ERROR_ACCESS_DENIED;
    }
    static LSTATUS WINAPI RegCloseKey(HKEY key) {
        const LSTATUS status = REAL("advapi32", RegCloseKey)(key);
        return Log("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
    }
};

// Points this program's import of a function at its stand-in, for the program's life.
inline bool Patch(const void* real, const void* fake) {
    ULONG size = 0;
    auto** slot =
        (void**)ImageDirectoryEntryToData(GetModuleHandleA(nullptr), TRUE, IMAGE_DIRECTORY_ENTRY_IAT, &size);
    while (*slot != real) ++slot;
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    return (*slot = (void*)fake);
}
#define FAKE(dll, f) Patch((void*)REAL(dll, f), (void*)Fake::f)
inline const bool patched =
    FAKE("user32", SetTimer) && FAKE("user32", KillTimer) && FAKE("winmm", PlaySoundA) &&
    FAKE("user32", MessageBoxA) && FAKE("shell32", Shell_NotifyIconA) &&
    FAKE("user32", SetForegroundWindow) && FAKE("user32", GetActiveWindow) && FAKE("user32", SetWindowPos) &&
    FAKE("user32", TrackPopupMenu) && FAKE("advapi32", RegSetValueExA) && FAKE("advapi32", RegCloseKey);

// Sees the commands given, as the pause a tick respects follows them; runs the body from the dialog's loop.
inline std::function<void()> opened;
inline INT_PTR CALLBACK Spy(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT id = message == WM_COMMAND ? LOWORD(wParam) : 0;
    if (id == IDC_START || id == ID_START) platform.paused = false;
    if (id == IDC_PAUSE || id == ID_PAUSE) platform.paused = !platform.paused;
    if (message == WM_INITDIALOG) PostMessageA(dialog, WM_APP + 0x100, 0, 0);
    if (message == WM_APP + 0x100) opened();
    return MainDialogProc(dialog, message, wParam, lParam);
}

// Opens the dialog afresh, runs body once it shows, then Esc unless it ended: no icon or timer may stay.
inline void OpenDialog(const std::function<void(HWND)>& body,
                       std::source_location where = std::source_location::current()) {
    appState = AppState{.backgroundBrush = appState.backgroundBrush};  // made once per program
    PresetTable[0] = ClockTime{};
    platform = Platform{};
    platform.caller = where;
    opened = [&] {
        platform.dialog = GetParent(appState.startButton);
        ShowWindow(platform.dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        body(platform.dialog);
        if (!platform.ended) SendMessageA(platform.dialog, WM_COMMAND, IDCANCEL, 0);
    };
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, Spy, 0);
    if (!platform.ended) Fail("the dialog did not come up, or left its icon");  // as without a display
    if (!platform.timers.empty()) Fail("a timer was left running");
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // of the test prefix, which is the tests' own
}
