// Drives the real main dialog, from the real template, in its own modal loop under Wine. Patched imports
// stand in for the platform where a test must control it (timers, boxes, menus, window order, activation):
// they log each call and fail it on request. The run-state rules are checked after every step of a script,
// and each menu against the state as it opens. The script notation is in docs/contributing.md.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <source_location>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_dialog.h"
#include "countdown/run_control.h"
#include "res/resource.h"
#include "settings/settings_store.h"

// The platform's own function, whatever this program's import table holds.
#define REAL(dll, function) ((decltype(&function))(void*)GetProcAddress(LoadLibraryA(dll), #function))

// A crash ends the test program at once, naming the fault, its address and the test, instead of leaving it
// to the platform's debugger. Only faults count: C++ throws and debug output are raised with other codes.
inline LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode >> 28 != 0xC) return EXCEPTION_CONTINUE_SEARCH;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::printf("crash: exception %08lx at %p in %s.%s\n", record.ExceptionCode, record.ExceptionAddress,
                test ? test->test_suite_name() : "", test ? test->name() : "");
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;  // not reached
}
inline const PVOID crashHandler = AddVectoredExceptionHandler(1, OnCrash);

// Points this program's import of a function elsewhere while it lives.
struct ImportPatch {
    ImportPatch(const void* real, const void* replacement) {
        auto* base = (BYTE*)GetModuleHandleA(nullptr);
        const auto& iat = ((IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew))
                              ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
        void** end = (void**)(base + iat.VirtualAddress + iat.Size);
        for (slot = (void**)(base + iat.VirtualAddress); slot < end && *slot != real;) ++slot;
        if (slot == end) throw std::runtime_error("no such import");
        DWORD old = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        original = std::exchange(*slot, (void*)replacement);
    }
    ~ImportPatch() { *slot = original; }
    void** slot;
    void* original;
};

// What the stand-ins hold; every dialog opens on a fresh one.
struct Platform {
    std::vector<std::string> calls;  // "SetTimer 1000", "Box Error 10: text", "Order topmost"...
    std::set<std::string> failing;   // "SetTimer", "RegSetValueExA Signal", "throw SetTimer", "once ..."
    std::set<UINT_PTR> timers;       // live
    std::vector<HMENU> menus;        // shown
    HWND active = nullptr;           // the activation as Windows keeps it; Wine's differs
    int openKeys = 0;
    int aboutBoxes = 0;  // open
    int reports = 0;     // of errors, open
    bool aboutRefused = false;
    bool ended = false;
    bool broken = false;  // the first broken expectation ends the test's scripts: one fault, one failure
    bool walking = false;
    bool popupsExpected = false;  // by the step
    bool wasRinging = false;
    size_t stepStart = 0;  // the step's first call
    std::string played;    // the steps so far, as a script that replays them
    std::string walk;      // which walk and step
    std::string popups;    // the boxes and menus the step opened
    std::string whileOpen;
    std::string menuChoice;
    std::string chosen;  // by the step's menu
};
inline Platform platform;
inline std::mt19937 walkRandom;
inline std::source_location caller;   // the test's line that plays the script
inline std::function<void()> opened;  // the test's body, run from the dialog's own loop

// The calls from the given one on that start so, joined by ", ".
inline std::string Calls(const std::string& prefix, size_t from = 0) {
    std::string joined;
    for (size_t i = from; i < platform.calls.size(); ++i) {
        if (platform.calls[i].rfind(prefix, 0) != 0) continue;
        if (!joined.empty()) joined += ", ";
        joined += platform.calls[i];
    }
    return joined;
}

// Logs a call; false when it is to fail.
inline bool Log(const std::string& call) {
    const std::string function = call.substr(0, call.find(' '));
    platform.calls.push_back(call);
    if (platform.failing.count("throw " + function)) throw 42;
    if (platform.failing.erase("once " + function)) return false;
    return !platform.failing.count(function) && !platform.failing.count(call);
}

inline void Fail(const std::string& what) {
    if (platform.broken) return;
    platform.broken = true;
    const std::string script = std::regex_replace(platform.played, std::regex("\n"), "\\n");
    ADD_FAILURE_AT(caller.file_name(), caller.line()) << platform.walk << what << "\n  played: " << script;
}

inline void Do(HWND dialog, const std::string& script,
               std::source_location where = std::source_location::current());

// A box or menu is opening: the step's <script> plays while it is open.
inline void Popup(HWND dialog, const std::string& text, bool answered) {
    platform.popups += (platform.popups.empty() ? "" : " + ") + text;
    const Platform outer = platform;
    if (!answered && !platform.walking && !platform.popupsExpected && platform.whileOpen.empty())
        Fail("unexpected " + text);
    platform.whileOpen.clear();  // a popup that the script opens plays nothing itself
    if (outer.whileOpen.size() > 2) Do(dialog, outer.whileOpen.substr(1, outer.whileOpen.size() - 2), caller);
    platform.whileOpen = outer.whileOpen;
    platform.popups = outer.popups;
    platform.stepStart = outer.stepStart;
    platform.popupsExpected = outer.popupsExpected;
    if (!platform.broken) platform.played = outer.played;
}

// The menu as the state the user sees calls for it: the buttons, the window, the fields and the open boxes.
inline std::string ExpectedMenu(HWND dialog, bool tray) {
    const auto gray = [](bool grayed) { return grayed ? "#" : ""; };
    const bool running = !IsWindowEnabled(appState.startButton);
    if (!tray)
        return std::string("Reset timer") + gray(running) + "|-|Load config" + gray(running) +
               "|Save config|-|Exit";
    const bool report = platform.reports > 0;
    const bool noWayOut = report || platform.aboutBoxes > 0 || platform.aboutRefused;
    char time[40];
    wsprintfA(time, "%02u:%02u:%02u", GetDlgItemInt(dialog, IDC_HOURS, nullptr, FALSE),
              GetDlgItemInt(dialog, IDC_MINUTES, nullptr, FALSE),
              GetDlgItemInt(dialog, IDC_SECONDS, nullptr, FALSE));
    // Twice refused the foreground, the menu might not close: its first item says so.
    std::string menu = platform.failing.count("Foreground") ? "Error" : time + std::string(gray(report));
    menu += std::string("|-|Start") + gray(running || report);
    menu += std::string("|Pause") + gray(!IsWindowEnabled(appState.pauseButton));
    menu += std::string("|Stop") + gray(!IsWindowEnabled(appState.stopButton));
    menu += std::string("|-|") + (IsWindowVisible(dialog) ? "Hide" : "Show") + gray(report);
    return menu + "|-|About" + gray(noWayOut) + "|Exit" + gray(noWayOut);
}

struct Fake {
    static void CALLBACK Opened(HWND, UINT, UINT_PTR timer, DWORD) {
        REAL("user32", KillTimer)(nullptr, timer);
        opened();
    }
    static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
        if (!Log("SetTimer " + std::to_string(ms))) return 0;
        platform.timers.insert(id);
        return id;
    }
    static BOOL WINAPI KillTimer(HWND, UINT_PTR id) {
        Log("KillTimer");
        return platform.timers.erase(id) > 0;
    }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE, DWORD flags) {
        char text[64];
        wsprintfA(text, "PlaySound %s %lx", name ? name : "-", flags);
        return Log(text);
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        char text[128];
        wsprintfA(text, "Tray %lu %lu %x %x %s", message, icon->cbSize, icon->uFlags, icon->uCallbackMessage,
                  icon->szTip);
        return Log(text);
    }
    static BOOL WINAPI SetForegroundWindow(HWND window) {
        if (!Log("Foreground")) return FALSE;
        const bool changed = platform.active != window;
        platform.active = window;
        if (changed) SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        return TRUE;
    }
    static HWND WINAPI GetActiveWindow() { return platform.active; }
    // "fail=Field" leaves the number unwritten, so the field notifies nothing, as some platforms' fields.
    static BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
        const bool writes = Log("Field " + std::to_string(id) + (appState.ringing ? " ringing" : ""));
        return !writes || REAL("user32", SetDlgItemInt)(dialog, id, value, isSigned);
    }
    // Moves into and out of the topmost group are made; sending back would move Wine's activation under the
    // model's feet.
    static BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
        if (after == HWND_BOTTOM) return Log("Order bottom");
        if (after == HWND_TOPMOST) Log("Order topmost");
        if (after == HWND_NOTOPMOST) Log("Order notopmost");
        return REAL("user32", SetWindowPos)(window, after, x, y, cx, cy, flags);
    }
    // The platform's menu loop, answered at once: a chosen item arrives as it would from there. A walk's "?"
    // chooses any enabled item but Exit, and goes into the script played as that item.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT, int x, int y, int, HWND owner, const RECT*) {
        Log("Menu " + std::to_string(x) + "," + std::to_string(y));
        platform.menus.push_back(menu);
        std::string text;
        std::vector<std::string> offered;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "-";
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            const bool grayed = (state & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED;
            if (!grayed && item[0] != '-' && GetMenuItemID(menu, i) != ID_EXIT) offered.push_back(item);
            text += (i > 0 ? "|" : "") + std::string(item) + (grayed ? "#" : "");
        }
        const std::string expected = ExpectedMenu(owner, text.rfind("Reset timer", 0) != 0);
        if (text != expected) Fail("the menu reads " + text + " where the state calls for " + expected);
        std::string choice = std::exchange(platform.menuChoice, "");
        if (choice == "?") {
            choice = offered.empty() ? "Esc" : offered[walkRandom() % offered.size()];
            const std::string replay = "menu=" + std::regex_replace(choice, std::regex(" "), "_");
            platform.played.replace(platform.played.rfind("menu=?"), 6, replay);
        }
        UINT id = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "";
            GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            if (choice == item && !(GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED))
                id = GetMenuItemID(menu, i);
        }
        if (!id && !choice.empty() && choice != "Esc") Fail("no " + choice + " to choose in " + text);
        Popup(owner, text, !choice.empty());
        platform.chosen = id ? choice : "";
        if (id) PostMessageA(owner, WM_COMMAND, id, 0);
        return TRUE;
    }
    // Logged with the style asked for (icon and modality, in hex); answered OK, as from Enter. The report of
    // an exception the program does not know grays nothing.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        char box[300];
        wsprintfA(box, "Box %s %x: %s", caption, style, text);
        if (owner != GetParent(appState.startButton)) Fail(std::string("owned by another window: ") + box);
        const bool about = std::string(caption) == "About...";
        if (!Log(box)) {
            platform.aboutRefused = platform.aboutRefused || about;
            return 0;
        }
        int unknown = 0;
        int& open = about                                 ? platform.aboutBoxes
                    : std::string(text) == "Unknow error" ? unknown
                                                          : platform.reports;
        ++open;
        Popup(owner, box, false);
        --open;
        return IDOK;
    }
    // The single-instance guard must be free before the window goes.
    static BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
        DWORD flags;
        Log(GetHandleInformation(appState.mutex, &flags) ? "EndDialog, guard held" : "EndDialog");
        platform.ended = true;
        return REAL("user32", EndDialog)(dialog, result);
    }
    static LSTATUS WINAPI RegOpenKeyExA(HKEY root, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
        const LSTATUS status = REAL("advapi32", RegOpenKeyExA)(root, name, options, access, key);
        if (status == ERROR_SUCCESS) ++platform.openKeys;
        return status;
    }
    static LSTATUS WINAPI RegCreateKeyExA(HKEY root, LPCSTR name, DWORD, LPSTR, DWORD, REGSAM,
                                          LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD) {
        if (!Log("RegCreateKeyExA")) return ERROR_ACCESS_DENIED;
        ++platform.openKeys;
        return RegCreateKeyA(root, name, key);
    }
    static LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD size) {
        if (!Log("RegSetValueExA " + std::string(name))) return ERROR_ACCESS_DENIED;
        return RegSetKeyValueA(key, nullptr, name, type, data, size);
    }
    static LSTATUS WINAPI RegCloseKey(HKEY key) {
        --platform.openKeys;
        const LSTATUS status = REAL("advapi32", RegCloseKey)(key);
        return Log("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
    }
};

// Opens the dialog on a fresh state, runs body once it shows, then closes it by Esc unless the body ended it.
// Whichever way it ended, it must leave no icon, menu, key or timer behind.
inline void OpenDialog(const std::function<void(HWND)>& body,
                       std::source_location where = std::source_location::current()) {
    const HBRUSH brush = appState.backgroundBrush;  // made once per program
    appState = AppState{};
    appState.backgroundBrush = brush;
    PresetTable[0] = ClockTime{};
    platform = Platform{};
    caller = where;
    bool ran = false;
    opened = [&] {
        const HWND dialog = GetParent(appState.startButton);
        ShowWindow(dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        ran = true;
        body(dialog);
        if (!platform.ended) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SetTimer(nullptr, 0, 0, Fake::Opened);  // before its import is patched
#define FAKE(dll, f) ImportPatch((void*)REAL(dll, f), (void*)Fake::f)
    // clang-format off
    const ImportPatch patches[] = {
        FAKE("user32", SetTimer), FAKE("user32", KillTimer), FAKE("winmm", PlaySoundA),
        FAKE("shell32", Shell_NotifyIconA), FAKE("user32", SetForegroundWindow), FAKE("user32", GetActiveWindow),
        FAKE("user32", SetDlgItemInt), FAKE("user32", SetWindowPos), FAKE("user32", TrackPopupMenu),
        FAKE("user32", MessageBoxA), FAKE("user32", EndDialog), FAKE("advapi32", RegOpenKeyExA),
        FAKE("advapi32", RegCreateKeyExA), FAKE("advapi32", RegSetValueExA), FAKE("advapi32", RegCloseKey)};
    // clang-format on
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    const std::string icon = Calls("Tray");
    if (!ran) Fail("the dialog did not come up");  // as without a display
    if (icon.rfind("Tray 2") != icon.rfind("Tray ")) Fail("the icon was left in the notification area");
    if (!platform.timers.empty()) Fail("a timer was left running");
    if (std::any_of(platform.menus.begin(), platform.menus.end(), IsMenu)) Fail("a menu was not destroyed");
    if (platform.openKeys != 0) Fail("a registry key was not closed");
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // of the test prefix, which is the tests' own
}

// The arrangement of the fields, up-downs, buttons and lists: Stopped; Running (also paused); Ringing; else
// "controls" and those editable or enabled.
inline std::string Arrangement(HWND dialog) {
    std::istringstream names(
        "hours minutes seconds time-list Start Pause Stop signal-list hours-spin "
        "minutes-spin seconds-spin");
    std::string usable;
    for (int id = IDC_HOURS; id <= IDC_SPIN_SECONDS; ++id) {
        std::string name;
        names >> name;
        const HWND control = GetDlgItem(dialog, id);
        if (id <= IDC_SECONDS ? !(GetWindowLongA(control, GWL_STYLE) & ES_READONLY)
                              : IsWindowEnabled(control))
            usable += " " + name;
    }
    if (usable == " hours minutes seconds time-list Start signal-list hours-spin minutes-spin seconds-spin")
        return "Stopped";
    if (usable == " Pause Stop") return "Running";
    return usable == " Stop" ? "Ringing" : "controls" + usable;
}

inline std::string FlaggedState() {
    if (appState.ringing) return "Ringing";
    return appState.running ? "Running" : "Stopped";
}

// "Running paused 1,2,3 hidden topmost sent back | 66107 0 2 0 2": the arrangement; "flags" and the state the
// flags name where they differ; "paused"; "timer" live while stopped, or "no timer" while running; the
// fields; the window; once any is stored, the stored user time, list position and signal (- missing), and the
// lists.
inline std::string State(HWND dialog) {
    std::string out = Arrangement(dialog);
    if (out != FlaggedState()) out += " flags " + FlaggedState();
    if (appState.running && appState.paused) out += " paused";
    if (platform.timers.empty() == (appState.running != 0)) out += appState.running ? " no timer" : " timer";
    for (int id = IDC_HOURS; id <= IDC_SECONDS; ++id)
        out += (id == IDC_HOURS ? " " : ",") + std::to_string(GetDlgItemInt(dialog, id, nullptr, FALSE));
    if (appState.hidden) out += " hidden";
    if (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) out += " topmost";
    if (!Calls("Order bottom").empty()) out += " sent back";
    std::string stored = " |";
    for (const char* name : {kUserTimeValue, kSelectTimeValue, kSignalValue}) {
        DWORD number = 0;
        DWORD size = sizeof number;
        const LSTATUS read =
            RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_DWORD, 0, &number, &size);
        stored += read == ERROR_FILE_NOT_FOUND ? " -" : " " + std::to_string(number);
    }
    if (stored == " | - - -") return out;
    for (int list : {IDC_TIME_LIST, IDC_SIGNAL_LIST})
        stored += " " + std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0));
    return out + stored;
}

// The run-state rules, which hold after every step: empty while they do, else the rule broken.
inline std::string BrokenRule(HWND dialog) {
    const std::string state = State(dialog);
    if (state.find(" flags ") != std::string::npos)
        return "the controls and the flags name one state: " + state;
    if (state.find(" timer") != std::string::npos)
        return "a timer is live exactly while a countdown runs: " + state;
    if (state.find(" paused") != std::string::npos && !Calls("SetTimer", platform.stepStart).empty())
        return "a countdown is not paused right after Start";
    if ((state.find(" topmost") != std::string::npos) != (appState.ringing != 0))
        return "the window is topmost exactly while the alarm rings: " + state;
    if (appState.ringing && !platform.wasRinging && !IsWindowVisible(dialog))
        return "the alarm shows the window";
    if ((appState.hidden != 0) == (IsWindowVisible(dialog) != 0)) return "the hidden flag follows the window";
    if (platform.chosen == "Show" && Calls("Order topmost", platform.stepStart).empty())
        return "Show from the tray menu brings the window in front through the topmost group";
    return "";
}

// clang-format off
struct Step { const char* name; UINT message; WPARAM wParam; LPARAM lParam; };
constexpr Step kSteps[] = {
    {"start", WM_COMMAND, IDC_START, 0}, {"pause", WM_COMMAND, IDC_PAUSE, 0},
    {"stop", WM_COMMAND, IDC_STOP, 0}, {"reset", WM_COMMAND, ID_RESET_TIMER, 0},
    {"load", WM_COMMAND, ID_LOAD_CONFIG, 0}, {"save", WM_COMMAND, ID_SAVE_CONFIG, 0},
    {"about", WM_COMMAND, ID_ABOUT, 0}, {"exit", WM_COMMAND, ID_EXIT, 0}, {"enter", WM_COMMAND, IDOK, 0},
    {"f1", WM_HELP, 0, 0}, {"rclick", WM_RBUTTONDOWN, 0, 0}, {"inactive", WM_ACTIVATE, WA_INACTIVE, 0},
    {"active", WM_ACTIVATE, WA_ACTIVE, 0}, {"min", WM_SYSCOMMAND, SC_MINIMIZE, 0},
    {"max", WM_SYSCOMMAND, SC_MAXIMIZE, 0}, {"caption", WM_SYSCOMMAND, SC_MAXIMIZE + HTCAPTION, 0},
    {"sysmenu", WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, 0}, {"tray:move", WM_TRAYNOTIFY, 0, WM_MOUSEMOVE},
    {"tray:click", WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN}, {"tray:dbl", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK},
    {"tray:menu", WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN}, {"stray", WM_TIMER, TIMER_ID, 0}};
// clang-format on

// Plays one step of a script (docs/contributing.md) as the user or the platform would.
inline void Play(HWND dialog, std::string step) {
    std::replace(step.begin(), step.end(), '_', ' ');
    unsigned typed[3];
    unsigned n = 1;
    const Step* known =
        std::find_if(std::begin(kSteps), std::end(kSteps), [&](auto& k) { return step == k.name; });
    if (known != std::end(kSteps)) {
        if (known->message == WM_ACTIVATE) platform.active = known->wParam ? dialog : nullptr;
        SendMessageA(dialog, known->message, known->wParam, known->lParam);
    } else if (std::sscanf(step.c_str(), "%u:%u:%u", &typed[0], &typed[1], &typed[2]) == 3) {
        for (int i = 0; i < 3; ++i) SetDlgItemInt(dialog, IDC_HOURS + i, typed[i], FALSE);
    } else if (step.rfind("menu=", 0) == 0) {
        platform.menuChoice = step.substr(5);
    } else if (step.rfind("fail=", 0) == 0) {
        std::istringstream names(step.substr(5));
        platform.failing.clear();
        for (std::string name; std::getline(names, name, '+');) platform.failing.insert(name);
    } else if (std::sscanf(step.c_str(), "time=%u", &n) == 1 ||
               std::sscanf(step.c_str(), "signal=%u", &n) == 1) {
        const int list = step[0] == 't' ? IDC_TIME_LIST : IDC_SIGNAL_LIST;
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, n, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), 0);
    } else if (std::sscanf(step.c_str(), "tick%u", &n) == 1 || step == "tick") {
        // A tick reaches the dialog once for each timer live at that moment, and not at all without one.
        for (unsigned tick = 0; tick < n; ++tick) {
            const std::set<UINT_PTR> live = platform.timers;
            for (UINT_PTR id : live)
                if (platform.timers.count(id)) SendMessageA(dialog, WM_TIMER, id, 0);
        }
    } else {
        Fail("no step " + step);
    }
    MSG posted;
    while (PeekMessageA(&posted, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&posted);
}

inline void Do(HWND dialog, const std::string& script, std::source_location where) {
    static const std::regex token(R"(\[[^\]]*\]|\{[^}]*\}|<[^>]*>|[^ ]+)");
    const std::vector<std::string> tokens(std::sregex_token_iterator(script.begin(), script.end(), token),
                                          {});
    caller = where;
    for (size_t i = 0; i < tokens.size() && !platform.broken; ++i) {
        platform.played += tokens[i] + " ";
        const std::string expected = tokens[i].substr(1, tokens[i].size() - 2);
        if (tokens[i][0] == '[' && State(dialog) != expected) Fail("state " + State(dialog));
        if (tokens[i][0] == '{' && platform.popups != expected) Fail("popups {" + platform.popups + "}");
        if (tokens[i][0] == '[' || tokens[i][0] == '{') continue;
        const bool within = i + 1 < tokens.size() && tokens[i + 1][0] == '<';
        platform.whileOpen = within ? tokens[i + 1] : "";
        if (within) platform.played += tokens[i + 1] + " ";
        platform.popupsExpected = i + 1 + within < tokens.size() && tokens[i + 1 + within][0] == '{';
        platform.stepStart = platform.calls.size();
        platform.popups.clear();
        platform.chosen.clear();
        Play(dialog, tokens[i]);
        if (platform.walking && !platform.popups.empty()) platform.played += "{" + platform.popups + "} ";
        platform.whileOpen.clear();
        if (!platform.ended && !BrokenRule(dialog).empty()) Fail(BrokenRule(dialog));
        platform.wasRinging = appState.ringing;
        i += within;
    }
}

// A step the user could take in the dialog's present state, or a tick of a live timer.
inline std::string DrawStep(HWND dialog) {
    std::vector<std::string> steps = {"tray:move",        "tray:click", "tray:dbl",
                                      "menu=? tray:menu", "active",     "inactive"};
    if (!platform.timers.empty()) steps.insert(steps.end(), {"tick", "tick2", "tick59"});
    if (IsWindowVisible(dialog))
        steps.insert(steps.end(), {"menu=? rclick", "min", "max", "caption", "f1", "enter"});
    const char* buttons[] = {"start", "pause", "stop"};
    for (int i = 0; i < 3; ++i)
        if (IsWindowVisible(dialog) && IsWindowEnabled(GetDlgItem(dialog, IDC_START + i)))
            steps.push_back(buttons[i]);
    if (IsWindowVisible(dialog) && IsWindowEnabled(appState.timeList)) {
        steps.push_back("time=" + std::to_string(walkRandom() % kPresetCount));
        steps.push_back("signal=" + std::to_string(walkRandom() % kSignalCount));
        // Mostly a few seconds, so that alarms ring.
        std::string typed = std::to_string(walkRandom() % 4 ? 0 : walkRandom() % 100);
        typed += ":" + std::to_string(walkRandom() % 4 ? 0 : walkRandom() % 100);
        typed += ":" + std::to_string(walkRandom() % 4 ? walkRandom() % 4 : walkRandom() % 100);
        steps.push_back(typed);
    }
    return steps[walkRandom() % steps.size()];
}

// A walk of steps drawn from a seed, ended by the tray menu's Exit; every popup is expected, and goes into
// the script played so that the walk replays through Do().
inline void Walk(unsigned seed, int steps, std::source_location where = std::source_location::current()) {
    const auto body = [&](HWND dialog) {
        walkRandom.seed(seed);
        platform.walking = true;
        for (int i = 1; i <= steps && !platform.broken; ++i) {
            platform.walk = "walk " + std::to_string(seed) + ", step " + std::to_string(i) + ": ";
            Do(dialog, DrawStep(dialog), where);
        }
        platform.walk = "walk " + std::to_string(seed) + ", exit: ";
        Do(dialog, "menu=Exit tray:menu", where);
    };
    OpenDialog(body, where);
}
