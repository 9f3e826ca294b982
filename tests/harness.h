// Drives the real main dialog, from the real template, in its own modal loop under Wine. Patched imports
// stand in for the platform where a test must control it or where Wine is not Windows. Every step is checked
// against the rules of BrokenRule() and Tick(). Notation: docs/contributing.md.
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

// A crash ends the test program at once, naming the test, instead of waiting in the platform's debugger for
// CTest's time-out. Only faults count: C++ throws are raised with other codes.
inline LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode >> 28 != 0xC) return EXCEPTION_CONTINUE_SEARCH;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::printf("crash: exception %08lx in %s\n", exception->ExceptionRecord->ExceptionCode,
                test ? test->name() : "");
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}
inline const PVOID crashHandler = AddVectoredExceptionHandler(1, OnCrash);

// Points this program's import of a function elsewhere while it lives.
struct ImportPatch {
    ImportPatch(const void* real, const void* fake) {
        auto* base = (BYTE*)GetModuleHandleA(nullptr);
        const auto& iat = ((IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew))
                              ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
        for (slot = (void**)(base + iat.VirtualAddress); *slot != real;) ++slot;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
        original = std::exchange(*slot, (void*)fake);
    }
    ~ImportPatch() { *slot = original; }
    void** slot;
    void* original;
    DWORD protection;
};

// What the stand-ins hold; every dialog opens on a fresh one.
struct Platform {
    std::vector<std::string> calls;  // "SetTimer", "PlaySound BEEP 262157", "Error 10: text"...
    std::set<std::string> failing;   // calls that fail: "SetTimer", "RegSetValueExA Signal", "throw SetTimer"
    std::map<UINT_PTR, UINT> timers;  // live, with the period asked for
    std::vector<HMENU> menus;         // shown
    HWND active = nullptr;            // the activation as Windows keeps it; Wine's differs
    bool menuMayOpen = true;          // a tray menu closes at once until a message follows the last one
    bool sentBack = false;            // and not brought forward since
    bool raised = false;              // by the step, through the topmost group
    bool fieldsWritten = false;       // while a countdown runs, as another program may
    bool ended = false;
    bool broken = false;     // the first broken rule or expectation ends the test's scripts
    std::string popups;      // the boxes and menus opened
    std::string whileOpen;   // steps played inside the next box or menu
    std::string menuChoice;  // the next menu's item, by its first word
    std::string chosen;      // by the step's menu
    std::string played;      // the test's steps so far
    std::source_location caller;
};
inline Platform platform;
inline std::mt19937 walkRandom;

// The logged calls that start so, joined by ", ".
inline std::string Calls(const std::string& prefix) {
    std::string joined;
    for (const std::string& call : platform.calls) joined += call.starts_with(prefix) ? ", " + call : "";
    return joined.substr(std::min<size_t>(2, joined.size()));
}

// Logs a call; false when it is to fail.
inline bool Log(const std::string& call) {
    platform.calls.push_back(call);
    const std::string function = call.substr(0, call.find(' '));
    if (platform.failing.count("throw " + function)) throw 42;
    return !platform.failing.count(function) && !platform.failing.count(call);
}

inline void Fail(const std::string& what, std::source_location where = platform.caller) {
    if (std::exchange(platform.broken, true)) return;
    ADD_FAILURE_AT(where.file_name(), where.line()) << what << "\n  replay: " << platform.played;
}

inline std::string Do(HWND dialog, const std::string& script, std::source_location where = platform.caller);

// A box or menu is open: the steps meant for it play now.
inline void Popup(HWND owner, const std::string& text) {
    platform.popups += text + "; ";
    Do(owner, std::exchange(platform.whileOpen, ""));
}

struct Fake {
    static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
        return Log("SetTimer") ? platform.timers.insert_or_assign(id, ms).first->first : 0;
    }
    static BOOL WINAPI KillTimer(HWND, UINT_PTR id) { return Log("KillTimer") && platform.timers.erase(id); }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE, DWORD flags) {
        return Log("PlaySound " + std::string(name ? name : "-") + " " + std::to_string(flags));
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        char text[128];
        wsprintfA(text, "Tray %lu %lu %x %x %s", message, icon->cbSize, icon->uFlags, icon->uCallbackMessage,
                  icon->szTip);
        platform.ended |= message == NIM_DELETE;  // the last thing before the dialog ends
        return Log(text);
    }
    static BOOL WINAPI SetForegroundWindow(HWND window) {
        if (!Log("Foreground")) return FALSE;
        platform.sentBack = false;
        if (std::exchange(platform.active, window) != window) SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        return TRUE;
    }
    static HWND WINAPI GetActiveWindow() { return platform.active; }
    // A program that may not take the foreground brings its window in front through the topmost group.
    // Sending back is not made: it would move Wine's activation under the model's feet.
    static BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
        platform.sentBack = after == HWND_BOTTOM;
        platform.raised |= after == HWND_TOPMOST;
        return platform.sentBack || REAL("user32", SetWindowPos)(window, after, x, y, cx, cy, flags);
    }
    // The platform's menu loop, answered at once: a chosen item arrives as it would from there. A walk's "?"
    // takes any enabled item but Exit, and the replay names it.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT, int, int, int, HWND owner, const RECT*) {
        platform.menus.push_back(menu);
        std::string text = "Menu ";
        std::vector<std::string> items;  // by first word; grayed ones and separators empty
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "-";
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            const bool grayed = (state & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED;
            items.push_back(
                grayed || *item == '-' ? "" : std::string(item).substr(0, std::string(item).find(' ')));
            text += (i > 0 ? "|" : "") + std::string(item) + (grayed ? "#" : "");
        }
        if (!text.starts_with("Menu Reset") && !std::exchange(platform.menuMayOpen, false))
            Fail("the tray menu closed as it opened: nothing was posted to the window after the last one");
        std::vector<std::string> offered(items.begin(), items.end() - 1);  // not Exit
        std::erase(offered, "");
        std::string& choice = platform.menuChoice;
        if (choice == "?") {
            choice = offered[walkRandom() % offered.size()];
            platform.played.replace(platform.played.rfind("menu=?") + 5, 1, choice);
        }
        Popup(owner, text);
        platform.chosen = std::exchange(choice, "");
        const auto item = std::find(items.begin(), items.end(), platform.chosen);
        if (item != items.end() && !item->empty())
            PostMessageA(owner, WM_COMMAND, GetMenuItemID(menu, item - items.begin()), 0);
        return TRUE;
    }
    // Logged with the style asked for (icon and modality, in hex), on one line, and answered OK, as from
    // Enter.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        char hex[9];
        std::string box = caption + std::string(" ") + _itoa(style, hex, 16) + ": " + text;
        for (size_t at = box.find('\n'); at != std::string::npos; at = box.find('\n'))
            box.replace(at, 1, "\\n");
        if (!Log(box)) return 0;
        Popup(owner, box);
        return IDOK;
    }
    static LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD size) {
        if (!Log("RegSetValueExA " + std::string(name))) return ERROR_ACCESS_DENIED;
        return RegSetKeyValueA(key, nullptr, name, type, data, size);
    }
    static LSTATUS WINAPI RegCloseKey(HKEY key) {
        const LSTATUS status = REAL("advapi32", RegCloseKey)(key);
        return Log("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
    }
};

// The test's body, run from the dialog's own loop once it shows.
inline std::function<void()> opened;
inline void CALLBACK RunOpened(HWND, UINT, UINT_PTR timer, DWORD) {
    REAL("user32", KillTimer)(nullptr, timer);
    opened();
}

// Opens the dialog on a fresh state, runs body once it shows, then closes it by Esc unless the body ended it.
// Whichever way it ended, it must leave no icon, menu or timer behind.
inline void OpenDialog(const std::function<void(HWND)>& body,
                       std::source_location where = std::source_location::current()) {
    const HBRUSH brush = appState.backgroundBrush;  // made once per program
    appState = AppState{};
    appState.backgroundBrush = brush;
    PresetTable[0] = ClockTime{};
    platform = Platform{};
    platform.caller = where;
    opened = [&] {
        const HWND dialog = GetParent(appState.startButton);
        ShowWindow(dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        body(dialog);
        if (!platform.ended) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SetTimer(nullptr, 0, 0, RunOpened);  // set before its import is patched
#define FAKE(dll, f) ImportPatch((void*)REAL(dll, f), (void*)Fake::f)
    // clang-format off
    const ImportPatch patches[] = {
        FAKE("user32", SetTimer), FAKE("user32", KillTimer), FAKE("winmm", PlaySoundA), FAKE("user32", MessageBoxA),
        FAKE("shell32", Shell_NotifyIconA), FAKE("user32", SetForegroundWindow), FAKE("user32", GetActiveWindow),
        FAKE("user32", SetWindowPos), FAKE("user32", TrackPopupMenu), FAKE("advapi32", RegSetValueExA),
        FAKE("advapi32", RegCloseKey)};
    // clang-format on
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    if (!platform.ended) Fail("the dialog did not come up, or left its icon");  // as without a display
    if (!platform.timers.empty()) Fail("a timer was left running");
    if (std::any_of(platform.menus.begin(), platform.menus.end(), IsMenu)) Fail("a menu was not destroyed");
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // of the test prefix, which is the tests' own
}

// What the user sees, and the run state that the program's flags name.
struct View {
    std::string text;      // "Running 0,1,2 hidden minimised topmost behind | 66107 0 2 0 2", for scripts
    std::string controls;  // "Stopped", "Running" (also paused), "Ringing", else which are usable
    std::string flags;
    unsigned seconds;  // that the fields show, each counting at most its limit
    bool hidden;
    bool topmost;
};

// The text: the controls, the fields, the window, and once anything is stored, the stored user time, list
// entry and signal (- where missing) and the two lists.
inline View Look(HWND dialog) {
    View view{};
    std::string usable;  // the fields writable, the other controls enabled, in template order
    for (int id = IDC_HOURS; id <= IDC_SPIN_SECONDS; ++id) {
        const LONG locked = id <= IDC_SECONDS ? ES_READONLY : WS_DISABLED;
        usable += GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & locked ? "0" : "1";
    }
    const std::map<std::string, std::string> named = {
        {"11111001111", "Stopped"}, {"00000110000", "Running"}, {"00000010000", "Ringing"}};
    view.text = view.controls = named.count(usable) ? named.at(usable) : "controls " + usable;
    view.flags = appState.ringing ? "Ringing" : appState.running ? "Running" : "Stopped";
    for (int i = 0; i < 3; ++i) {
        const unsigned shown = GetDlgItemInt(dialog, IDC_HOURS + i, nullptr, FALSE);
        view.text += (i ? "," : " ") + std::to_string(shown);
        view.seconds = view.seconds * 60 + std::min(shown, i ? 59u : 24u);
    }
    view.hidden = !IsWindowVisible(dialog);
    view.topmost = GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST;
    view.text += std::string(view.hidden ? " hidden" : "") + (IsIconic(dialog) ? " minimised" : "");
    view.text += std::string(view.topmost ? " topmost" : "") + (platform.sentBack ? " behind" : "");
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
    view.text += stored.starts_with(" | - - -") ? "" : stored;
    return view;
}

// The rules that hold after every step: the first one broken, or none.
inline const char* BrokenRule(HWND dialog, const View& before, const std::string& step) {
    const View now = Look(dialog);
    const bool counting = before.flags != "Stopped" && now.flags != "Stopped" && !std::isdigit(step[0]);
    const std::pair<bool, const char*> rules[] = {
        {now.controls != now.flags, "the controls show the state the program is in"},
        {platform.timers.empty() == appState.running, "a timer is live exactly while a countdown runs"},
        {!platform.timers.empty() && platform.timers.begin()->second != 1000,
         "the countdown ticks once a second"},
        {before.flags == "Stopped" && now.flags == "Running" && appState.paused, "Start leaves no pause"},
        {now.topmost != (now.flags == "Ringing"), "the window is topmost exactly while the alarm rings"},
        {now.flags == "Ringing" && before.flags != "Ringing" && now.hidden, "the alarm shows the window"},
        {!now.hidden && IsIconic(dialog), "a shown window is never minimised"},
        {(appState.hidden != 0) != now.hidden, "the program knows whether its window is shown"},
        {platform.chosen == "Show" && !platform.raised, "Show brings the window in front of other programs'"},
        {counting && now.seconds > before.seconds, "the time shown never rises while a countdown runs"}};
    for (auto [broken, rule] : rules)
        if (broken) return rule;
    return nullptr;
}

// One tick of each live timer, as the platform delivers them, and the rule of a countdown's tick.
inline void Tick(HWND dialog) {
    for (auto [id, period] : std::map<UINT_PTR, UINT>(platform.timers)) {
        const View before = Look(dialog);
        const bool paused = appState.paused;
        SendMessageA(dialog, WM_TIMER, id, 0);
        const View now = Look(dialog);
        const bool lowered = now.seconds + 1 == before.seconds && now.flags == "Running";
        const bool rang = before.seconds == 0 && now.flags == "Ringing";
        if (before.flags == "Running" && !platform.fieldsWritten &&
            !(paused ? now.text == before.text : lowered || rang))
            Fail("a tick lowers the time by a second, rings at zero, or waits while paused: " + before.text +
                 " became " + now.text);
        platform.fieldsWritten = false;
    }
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
    unsigned n[3] = {1, 0, 0};
    if (kSteps.count(step)) {
        const std::vector<UINT_PTR>& message = kSteps.at(step);
        if (message[0] == WM_ACTIVATE) platform.active = message[1] ? dialog : nullptr;
        SendMessageA(dialog, message[0], message[1], message.size() > 2 ? message[2] : 0);
    } else if (std::sscanf(step.c_str(), "%u:%u:%u", &n[0], &n[1], &n[2]) == 3) {
        for (int i = 0; i < 3; ++i) SetDlgItemInt(dialog, IDC_HOURS + i, n[i], FALSE);
        platform.fieldsWritten = appState.running;  // read-only fields still take another program's text
    } else if (step.starts_with("menu=")) {
        platform.menuChoice = step.substr(5);
    } else if (std::sscanf(step.c_str(), "time=%u", &n[0]) + std::sscanf(step.c_str(), "signal=%u", &n[0])) {
        const int list = step[0] == 't' ? IDC_TIME_LIST : IDC_SIGNAL_LIST;
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, n[0], 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), 0);
    } else if (step == "minimise") {
        ShowWindow(dialog, SW_MINIMIZE);  // as another program may, without the minimize box
    } else if (std::sscanf(step.c_str(), "tick%u", &n[0]) == 1 || step == "tick") {
        for (unsigned i = 0; i < n[0] && !platform.broken; ++i) Tick(dialog);
    } else {
        Fail("no step " + step);
    }
    for (MSG posted; PeekMessageA(&posted, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&posted))
        platform.menuMayOpen |= posted.message == WM_NULL && posted.hwnd == dialog;
}

// Plays a script: lines of steps separated by blanks, each followed by " = " and what the user then sees
// where that is to be compared. Checks the rules after every step. Returns the boxes and menus the last line
// opened, each followed by "; ", then what the user sees.
inline std::string Do(HWND dialog, const std::string& script, std::source_location where) {
    platform.caller = where;
    std::istringstream lines(script);
    std::string seen;
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find(" = ");
        const size_t opened = platform.popups.size();
        std::istringstream steps(line.substr(0, equals));
        for (std::string step; steps >> step && !platform.broken && !platform.ended;) {
            platform.played += step + " ";
            platform.raised = false;
            platform.chosen.clear();
            const View before = Look(dialog);
            Play(dialog, step);
            const char* broken = platform.ended ? nullptr : BrokenRule(dialog, before, step);
            if (broken)
                Fail("step " + step + " of " + line + ": " + broken + "; it left " + Look(dialog).text,
                     where);
        }
        seen = platform.popups.substr(opened) + (platform.ended ? "ended" : Look(dialog).text);
        if (equals != std::string::npos && seen != line.substr(equals + 3))
            Fail("after " + line.substr(0, equals) + "\n  expected " + line.substr(equals + 3) +
                     "\n  found    " + seen,
                 where);
    }
    return seen;
}

// A step that the user could take in the dialog's present state, or a tick of a live timer: enabled buttons,
// menus rather than their commands, and the fields and lists while they are usable.
inline std::string DrawStep(HWND dialog) {
    std::vector<std::string> steps = {
        "menu=? tray:menu", "menu=? rclick", "minimise", "tick", "tick2", "tick59"};
    for (const auto& [name, message] : kSteps)
        if (message[0] != WM_COMMAND || IsWindowEnabled(GetDlgItem(dialog, message[1])))
            steps.push_back(name);
    if (IsWindowEnabled(appState.timeList)) {
        steps.push_back("time=" + std::to_string(walkRandom() % kPresetCount));
        steps.push_back("signal=" + std::to_string(walkRandom() % kSignalCount));
        const unsigned typed = walkRandom() % 1000000;  // mostly a few seconds, so that alarms ring
        steps.push_back(typed % 4 ? "0:0:" + std::to_string(typed / 4 % 3)
                                  : std::to_string(typed / 10000) + ":" + std::to_string(typed / 100 % 100) +
                                        ":" + std::to_string(typed % 100));
    }
    return steps[walkRandom() % steps.size()];
}

// Steps drawn from a seed, then the tray menu's Exit. Its replay plays the walk again through Do().
inline void Walk(unsigned seed, int steps, std::source_location where = std::source_location::current()) {
    OpenDialog(
        [&](HWND dialog) {
            walkRandom.seed(seed);
            platform.played = "walk " + std::to_string(seed) + ": ";
            for (int i = 0; i < steps && !platform.broken; ++i) Do(dialog, DrawStep(dialog), where);
            Do(dialog, "menu=Exit tray:menu", where);
        },
        where);
}
