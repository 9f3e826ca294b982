// Drives the real main dialog, from the real template, in its own loop under Wine. Patched imports stand in
// for the platform where a test must control it or where Wine is not Windows. Notation: docs/contributing.md.
#pragma once

#include <windows.h>
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

// What the stand-ins hold; every dialog opens on a fresh one.
struct Platform {
    std::map<std::string, std::string> calls;  // by first word: "Tray 0 104 7 1025 Dozewell Timer; "...
    std::set<std::string> failing;             // by first word: "SetTimer", "Error" (a box), "throw SetTimer"
    std::map<UINT_PTR, UINT> timers;           // live, with the period asked for
    HWND active = nullptr;                     // the activation as Windows keeps it; Wine's differs
    bool menuMayOpen = true;     // a tray menu closes at once until a message follows the last one
    bool sentBack = false;       // and not brought forward since
    bool raised = false;         // by the step, through the topmost group
    bool fieldsWritten = false;  // while a countdown runs, since the last tick
    bool ended = false;
    bool broken = false;     // the first broken rule or expectation ends the test's scripts
    std::string popups;      // the boxes and menus opened
    std::string whileOpen;   // steps played inside the next box or menu
    std::string menuChoice;  // the next menu's item, by its first word
    std::string played;      // the test's steps so far
    std::source_location caller;
};
inline Platform platform;

// Logs a call; false when it is to fail.
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

// The run state the controls show: "Stopped", "Running" (also paused), "Ringing", else which are usable (the
// fields writable, the other controls enabled, in template order).
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

// What the user sees, for scripts: the controls, the fields, the window, and once anything is stored, the
// stored user time, list entry and signal (- where missing) and the two lists' entries.
inline std::string Look(HWND dialog) {
    std::string text = Controls(dialog);
    for (int i = 0; i < 3; ++i)
        text += (i ? "," : " ") + std::to_string(GetDlgItemInt(dialog, IDC_HOURS + i, 0, 0));
    text += std::string(IsWindowVisible(dialog) ? "" : " hidden") + (IsIconic(dialog) ? " minimised" : "");
    text += std::string(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST ? " topmost" : "");
    text += platform.sentBack ? " behind" : "";
    std::string stored = " |";
    for (const char* name : {kUserTimeValue, kSelectTimeValue, kSignalValue}) {
        DWORD number = 0;
        DWORD size = sizeof number;
        const LSTATUS read =
            RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, 0, &number, &size);
        stored += read == ERROR_FILE_NOT_FOUND ? " -" : " " + std::to_string(number);
    }
    for (int list : {IDC_TIME_LIST, IDC_SIGNAL_LIST})
        stored += " " + std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0));
    return text + (stored.starts_with(" | - - -") ? "" : stored);
}

// The message each named step sends: its number, wParam and lParam.
// clang-format off
inline const std::map<std::string, std::vector<UINT_PTR>> kSteps = {
    {"start", {WM_COMMAND, IDC_START}}, {"pause", {WM_COMMAND, IDC_PAUSE}}, {"stop", {WM_COMMAND, IDC_STOP}},
    {"reset", {WM_COMMAND, ID_RESET_TIMER}}, {"load", {WM_COMMAND, ID_LOAD_CONFIG}},
    {"save", {WM_COMMAND, ID_SAVE_CONFIG}}, {"about", {WM_COMMAND, ID_ABOUT}}, {"exit", {WM_COMMAND, ID_EXIT}},
    {"enter", {WM_COMMAND, IDOK}}, {"f1", {WM_HELP, 0}}, {"rclick", {WM_RBUTTONDOWN, 0}},
    {"inactive", {WM_ACTIVATE, WA_INACTIVE}}, {"active", {WM_ACTIVATE, WA_ACTIVE}},
    {"clickactive", {WM_ACTIVATE, WA_CLICKACTIVE}}, {"min", {WM_SYSCOMMAND, SC_MINIMIZE}},
    {"min+1", {WM_SYSCOMMAND, SC_MINIMIZE + 1}}, {"max", {WM_SYSCOMMAND, SC_MAXIMIZE}},
    {"caption", {WM_SYSCOMMAND, SC_MAXIMIZE + HTCAPTION}}, {"sysmenu", {WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU}},
    {"tray:move", {WM_TRAYNOTIFY, 0, WM_MOUSEMOVE}}, {"tray:click", {WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN}},
    {"tray:dbl", {WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK}}, {"tray:menu", {WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN}},
    {"stray", {WM_TIMER, TIMER_ID}}, {"alien", {WM_TIMER, 7}}};
// clang-format on

// Plays one step as the user, another program or the platform would.
inline void Play(HWND dialog, const std::string& step) {
    unsigned n[3] = {};
    if (kSteps.count(step)) {
        const std::vector<UINT_PTR>& message = kSteps.at(step);
        if (message[0] == WM_ACTIVATE) platform.active = message[1] ? dialog : nullptr;
        SendMessageA(dialog, message[0], message[1], message.size() > 2 ? message[2] : 0);
    } else if (std::sscanf(step.c_str(), "%u:%u:%u", &n[0], &n[1], &n[2]) == 3) {
        for (int i = 0; i < 3; ++i) SetDlgItemInt(dialog, IDC_HOURS + i, n[i], FALSE);
        platform.fieldsWritten |= appState.running;  // read-only fields still take another program's text
    } else if (step.starts_with("menu=")) {
        platform.menuChoice = step.substr(5);
    } else if (std::sscanf(step.c_str(), "time=%u", &n[0]) + std::sscanf(step.c_str(), "signal=%u", &n[0])) {
        const int list = step[0] == 't' ? IDC_TIME_LIST : IDC_SIGNAL_LIST;
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, n[0], 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), 0);
    } else if (step == "minimise") {
        ShowWindow(dialog, SW_MINIMIZE);  // as another program may, without the minimize box
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
    platform.raised = false;
    const std::string was = Controls(dialog);
    const unsigned wasShown = Shown(dialog);
    const bool paused = appState.paused;
    const bool wasHidden = !IsWindowVisible(dialog);
    const bool typed = std::isdigit(step[0]) || platform.fieldsWritten;
    Play(dialog, step);
    if (platform.ended) return;
    const std::string now = Controls(dialog);
    const unsigned shown = Shown(dialog);
    const bool hidden = !IsWindowVisible(dialog);
    const bool topmost = GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST;
    const bool ticked = (shown + 1 == wasShown && now == "Running") || (wasShown == 0 && now == "Ringing");
    const std::string flags = appState.ringing ? "Ringing" : (appState.running ? "Running" : "Stopped");
    const std::pair<bool, const char*> rules[] = {
        {now != flags, "the controls show the state the program is in"},
        {platform.timers.empty() != (now == "Stopped"), "a timer is live exactly while a countdown runs"},
        {!platform.timers.empty() && platform.timers.begin()->second != 1000, "one tick a second"},
        {topmost != (now == "Ringing"), "the window is topmost exactly while it rings"},
        {now == "Ringing" && was != "Ringing" && hidden, "the alarm shows the window"},
        {!hidden && IsIconic(dialog), "a shown window is never minimised"},
        {step == "tray:click" && hidden, "a click on the icon leaves the window shown"},
        {step == "tray:menu" && wasHidden && !hidden && !platform.raised, "Show brings it to the front"},
        {!typed && was != "Stopped" && now != "Stopped" && shown > wasShown,
         "time never rises while counting"},
        {step == "tick" && !typed && was == "Running" && (paused ? shown != wasShown : !ticked),
         "a tick lowers the time shown by a second, rings at zero, or, while paused, leaves it"}};
    for (auto [broken, rule] : rules)
        if (broken) Fail("step " + step + " of \"" + line + "\": " + rule + "; it left " + Look(dialog));
    if (step == "tick") platform.fieldsWritten = false;
}

// Plays a script: lines of steps separated by blanks, each followed, where it is to be checked, by " = ", the
// boxes and menus the line opened, each followed by "; ", and what the user then sees.
inline void Do(HWND dialog, const std::string& script,
               std::source_location where = std::source_location::current()) {
    platform.caller = where;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find_first_not_of(' '));
        const size_t equals = line.find("= ");
        const size_t opened = platform.popups.size();
        std::istringstream steps(line.substr(0, equals));
        for (std::string step; steps >> step && !platform.broken && !platform.ended;) {
            platform.played += step + " ";
            unsigned ticks = 1;  // tick59 is 59 steps, each checked
            if (std::sscanf(step.c_str(), "tick%u", &ticks) == 1) step = "tick";
            for (unsigned i = 0; i < ticks; ++i) Step(dialog, step, line);
        }
        const std::string seen = platform.popups.substr(opened) + (platform.ended ? "ended" : Look(dialog));
        if (equals != std::string::npos && seen != line.substr(equals + 2))
            Fail("after " + line.substr(0, equals) + "\n  expected " + line.substr(equals + 2) +
                 "\n  found    " + seen);
    }
}

// A box or menu is open: the steps meant for it play now.
inline void Popup(HWND owner, const std::string& text) {
    platform.popups += text + "; ";
    Do(owner, std::exchange(platform.whileOpen, ""), platform.caller);
}

struct Fake {
    static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
        return Log("SetTimer") ? platform.timers.insert_or_assign(id, ms).first->first : 0;
    }
    static BOOL WINAPI KillTimer(HWND, UINT_PTR id) { return Log("KillTimer") && platform.timers.erase(id); }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE, DWORD flags) {
        if (name && !FindResourceA(nullptr, name, "WAVE")) Fail(name + std::string(" is no WAVE of the exe"));
        return Log("PlaySound " + std::string(name ? name : "-") + " " + std::to_string(flags));
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        platform.ended |= message == NIM_DELETE;  // the last thing before the dialog ends
        return Log("Tray " + std::to_string(message) + " " + std::to_string(icon->cbSize) + " " +
                   std::to_string(icon->uFlags) + " " + std::to_string(icon->uCallbackMessage) + " " +
                   icon->szTip);
    }
    static BOOL WINAPI SetForegroundWindow(HWND window) {
        platform.sentBack = false;
        if (std::exchange(platform.active, window) != window) SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        return TRUE;
    }
    static HWND WINAPI GetActiveWindow() { return platform.active; }
    // Sending back is not made: it would move Wine's activation under the model's feet.
    static BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
        platform.sentBack = after == HWND_BOTTOM;
        platform.raised |= after == HWND_TOPMOST;
        return platform.sentBack || REAL("user32", SetWindowPos)(window, after, x, y, cx, cy, flags);
    }
    // The platform's menu loop, answered at once: the item chosen by its first word arrives as it would from
    // there; a grayed or missing one closes the menu as Esc does.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT, int, int, int, HWND owner, const RECT*) {
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

        platform.menuChoice.clear();
        Popup(owner, text);
        return !chosen || PostMessageA(owner, WM_COMMAND, GetMenuItemID(menu, chosen - 1), 0);
    }
    // Logged with the style asked for (icon and modality, in hex), its lines joined by "/"; answered OK.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        char hex[9];
        std::string box = caption + std::string(" ") + _itoa(style, hex, 16) + ": " + text;
        std::replace(box.begin(), box.end(), '\n', '/');
        if (!Log(box)) return 0;
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
    auto* base = (BYTE*)GetModuleHandleA(nullptr);
    const auto& iat = ((IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew))
                          ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    void** slot = (void**)(base + iat.VirtualAddress);
    while (*slot != real) ++slot;
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = (void*)fake;
    return true;
}
#define FAKE(dll, f) Patch((void*)REAL(dll, f), (void*)Fake::f)
inline const bool patched =
    FAKE("user32", SetTimer) && FAKE("user32", KillTimer) && FAKE("winmm", PlaySoundA) &&
    FAKE("user32", MessageBoxA) && FAKE("shell32", Shell_NotifyIconA) &&
    FAKE("user32", SetForegroundWindow) && FAKE("user32", GetActiveWindow) && FAKE("user32", SetWindowPos) &&
    FAKE("user32", TrackPopupMenu) && FAKE("advapi32", RegSetValueExA) && FAKE("advapi32", RegCloseKey);

// The test's body, run from the dialog's own loop once it shows.
inline std::function<void()> opened;
inline void CALLBACK RunOpened(HWND, UINT, UINT_PTR timer, DWORD) {
    REAL("user32", KillTimer)(nullptr, timer);
    opened();
}

// Opens the dialog on a fresh state, runs body once it shows, then closes it by Esc unless the body ended it.
// Whichever way it ended, it must leave no icon or timer behind.
inline void OpenDialog(const std::function<void(HWND)>& body,
                       std::source_location where = std::source_location::current()) {
    appState = AppState{.backgroundBrush = appState.backgroundBrush};  // made once per program
    PresetTable[0] = ClockTime{};
    platform = Platform{};
    platform.caller = where;
    opened = [&] {
        const HWND dialog = GetParent(appState.startButton);
        ShowWindow(dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        body(dialog);
        if (!platform.ended) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    REAL("user32", SetTimer)(nullptr, 0, 0, RunOpened);
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    if (!platform.ended) Fail("the dialog did not come up, or left its icon");  // as without a display
    if (!platform.timers.empty()) Fail("a timer was left running");

    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // of the test prefix, which is the tests' own
}

// A step that the user could take in the dialog's present state, or ticks of a live timer: enabled buttons,
// any menu item but Exit, and the fields and lists while they are usable.
inline std::string DrawStep(HWND dialog, std::mt19937& random) {
    const unsigned n = random();
    const char* items[] = {"Start", "Pause", "Stop", "Hide", "Show", "About", "Reset", "Load", "Save", "Esc"};
    const std::string menu = std::string("menu=") + items[n % 10] + (n % 3 ? " tray:menu" : " rclick");
    std::vector<std::string> steps = {"minimise", "tick", "tick2", "tick59", menu};
    for (const auto& [name, sent] : kSteps)
        if (sent[0] != WM_COMMAND || IsWindowEnabled(GetDlgItem(dialog, sent[1]))) steps.push_back(name);
    if (IsWindowEnabled(appState.timeList)) {  // typed: mostly a few seconds, so that alarms ring
        steps.push_back("time=" + std::to_string(n % kPresetCount));
        steps.push_back("signal=" + std::to_string(n % kSignalCount));
        steps.push_back("0:0:" + std::to_string(n % 3));
        steps.push_back(std::to_string(n % 30) + ":" + std::to_string(n / 30 % 70) + ":" +
                        std::to_string(n / 9 % 70));
    }
    return steps[random() % steps.size()];
}
