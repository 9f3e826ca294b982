// Drives the real main dialog, from the real template, in its own modal loop under Wine, through patched
// imports that log platform calls, fail them on request, and show the test each box and menu.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_dialog.h"
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
    std::fflush(stdout), TerminateProcess(GetCurrentProcess(), 3);
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

// The calls in order ("SetTimer 1000", "Tray 0 104 7 401 Dozewell Timer", "Box Caption!: text", ! or ? for
// the error or warning icon), and those to fail ("SetTimer", "RegSetValueExA Signal", "throw SetTimer", and
// "once Foreground" for the next call alone).
inline std::vector<std::string> calls;
inline std::set<std::string> failing;
inline std::string Calls(const std::string& prefix) {  // the calls that start so, joined by ", "
    std::string joined;
    for (const std::string& call : calls)
        if (call.rfind(prefix, 0) == 0) joined += (joined.empty() ? "" : ", ") + call;
    return joined;
}
inline bool Log(const std::string& call) {  // false when the call is to fail
    const std::string function = call.substr(0, call.find(' '));
    calls.push_back(call);
    if (failing.count("throw " + function)) throw 42;
    if (failing.erase("once " + function)) return false;
    return !failing.count(function) && !failing.count(call);
}

inline void Do(HWND dialog, const std::string& script);
inline bool popupsExpected;                        // a box or menu not expected fails the test at once
inline std::string popups, whileOpen, menuChoice;  // what a step opened; the script's <script> and menu=
inline void Popup(const std::string& text, bool answered) {
    popups += (popups.empty() ? "" : " + ") + text;
    if (!answered && !popupsExpected && whileOpen.empty()) ADD_FAILURE() << "unexpected " << text;
    const std::string script = std::exchange(whileOpen, ""), seen = popups;  // a popup within plays nothing
    const bool expected = popupsExpected;
    if (script.size() > 2) Do(GetParent(appState.startButton), script.substr(1, script.size() - 2));
    whileOpen = script, popups = seen, popupsExpected = expected;
}

inline HWND activeWindow;             // the activation as Windows keeps it; Wine's differs
inline std::vector<HMENU> menus;      // every menu shown: destroyed by the end of the test
inline std::set<HKEY> keys;           // every key used and not yet closed
inline std::function<void()> opened;  // the test's body, run from the dialog's own loop
struct Fake {
    static void CALLBACK Opened(HWND, UINT, UINT_PTR timer, DWORD) { KillTimer(nullptr, timer), opened(); }
    static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
        return Log("SetTimer " + std::to_string(ms)) ? id : 0;
    }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE, DWORD flags) {
        char text[64];
        return wsprintfA(text, "PlaySound %s %lx", name ? name : "-", flags), Log(text);
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        char text[128];
        return wsprintfA(text, "Tray %lu %lu %x %x %s", message, icon->cbSize, icon->uFlags,
                         icon->uCallbackMessage, icon->szTip),
               Log(text);
    }
    static BOOL WINAPI SetForegroundWindow(HWND window) {
        if (!Log("Foreground")) return FALSE;
        if (activeWindow != window) SendMessageA(activeWindow = window, WM_ACTIVATE, WA_ACTIVE, 0);
        return TRUE;
    }
    static HWND WINAPI GetActiveWindow() { return activeWindow; }
    // "fail=Field" leaves the number unwritten, so the field notifies nothing, as some platforms' fields.
    static BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
        const bool writes = Log("Field " + std::to_string(id) + (appState.ringing ? " ringing" : ""));
        return !writes || REAL("user32", SetDlgItemInt)(dialog, id, value, isSigned);
    }
    // Sending back would move Wine's activation under the model's feet.
    static BOOL WINAPI SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
        return after == HWND_BOTTOM ? Log("SendBack")
                                    : REAL("user32", SetWindowPos)(window, after, x, y, cx, cy, flags);
    }
    // The menu loop is the platform's: a chosen item arrives as it would from there.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT, int x, int y, int, HWND owner, const RECT*) {
        Log("Menu " + std::to_string(x) + "," + std::to_string(y)), menus.push_back(menu);
        std::string text;
        UINT choice = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "-";
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            const bool grayed = (state & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED;
            if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            if (menuChoice == item && !grayed) choice = GetMenuItemID(menu, i);
            text += (i ? "|" : "") + std::string(item) + (grayed ? "#" : "");
        }
        Popup(text, !menuChoice.empty());
        EXPECT_TRUE(choice || menuChoice.empty() || menuChoice == "Esc")
            << "no " << menuChoice << " in " << text;
        if (menuChoice.clear(), choice) PostMessageA(owner, WM_COMMAND, choice, 0);
        return TRUE;
    }
    // Read as the program asked for it; the answer is OK, as from Enter.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        EXPECT_EQ(owner, GetParent(appState.startButton)) << text;
        const UINT icon = style & MB_ICONMASK;
        const char* mark = icon == MB_ICONWARNING ? "?" : icon == MB_ICONERROR ? "!" : "";
        const std::string box = "Box " + std::string(caption) + mark + ": " + text;
        return Log(box) ? Popup(box, false), IDOK : 0;
    }
    // The single-instance guard must be free before the window goes.
    static BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
        DWORD flags;
        Log(GetHandleInformation(appState.mutex, &flags) ? "EndDialog, guard held" : "EndDialog");
        return REAL("user32", EndDialog)(dialog, result);
    }
    static LSTATUS WINAPI RegCreateKeyExA(HKEY root, LPCSTR name, DWORD, LPSTR, DWORD, REGSAM,
                                          LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD) {
        return Log("RegCreateKeyExA") ? RegCreateKeyA(root, name, key) : ERROR_ACCESS_DENIED;
    }
    static LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD size) {
        keys.insert(key);
        const bool written = Log("RegSetValueExA " + std::string(name));
        return written ? RegSetKeyValueA(key, nullptr, name, type, data, size) : ERROR_ACCESS_DENIED;
    }
    static LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                                           LPDWORD size) {
        keys.insert(key);
        return REAL("advapi32", RegQueryValueExA)(key, name, nullptr, type, data, size);
    }
    static LSTATUS WINAPI RegCloseKey(HKEY key) {
        keys.erase(key);
        const LSTATUS status = REAL("advapi32", RegCloseKey)(key);
        return Log("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
    }
};

// Opens the dialog on a fresh state, runs body once it shows, then closes it by Esc; fails the test if a
// menu or a registry key was not given back.
inline void OpenDialog(const std::function<void(HWND)>& body) {
    const HBRUSH brush = appState.backgroundBrush;  // made once per program
    appState = AppState{}, appState.backgroundBrush = brush, PresetTable[0] = ClockTime{};
    calls = {}, failing = {}, menus = {}, keys = {}, activeWindow = nullptr;
    bool ran = false;
    opened = [&] {
        const HWND dialog = GetParent(appState.startButton);
        ShowWindow(dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        body(dialog);
        if (ran = true, Calls("Tray 2").empty()) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SetTimer(nullptr, 0, 0, Fake::Opened);  // before its import is patched
#define FAKE(dll, f) ImportPatch((void*)REAL(dll, f), (void*)Fake::f)
    const ImportPatch patches[] = {FAKE("user32", SetTimer),           FAKE("winmm", PlaySoundA),
                                   FAKE("shell32", Shell_NotifyIconA), FAKE("user32", SetForegroundWindow),
                                   FAKE("user32", GetActiveWindow),    FAKE("user32", SetDlgItemInt),
                                   FAKE("user32", SetWindowPos),       FAKE("user32", TrackPopupMenu),
                                   FAKE("user32", MessageBoxA),        FAKE("advapi32", RegCreateKeyExA),
                                   FAKE("advapi32", RegSetValueExA),   FAKE("advapi32", RegQueryValueExA),
                                   FAKE("advapi32", RegCloseKey),      FAKE("user32", EndDialog)};
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    EXPECT_TRUE(ran) << "the dialog did not come up";  // as without a display
    for (HMENU menu : menus) EXPECT_FALSE(IsMenu(menu)) << "a menu was not destroyed";
    EXPECT_TRUE(keys.empty()) << "a registry key was not closed";
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);  // of the test prefix, which is the tests' own
}

// "Running 1,2,3 hidden topmost sent back | 66107 0 2 0 2": the arrangement of fields, up-downs, buttons and
// lists (Stopped; Running, also paused; Ringing), else "controls" and those editable or enabled; "flags" and
// the state the flags name where it differs; the fields; the window; once any is stored, the stored user
// time, list position and signal (- missing) and the lists' selections.
inline std::string State(HWND dialog) {
    const char* const names[] = {"hours", "minutes",     "seconds",    "time-list",    "Start",       "Pause",
                                 "Stop",  "signal-list", "hours-spin", "minutes-spin", "seconds-spin"};
    std::string usable;  // the editable fields and the enabled controls, in the order of their identifiers
    for (int id = IDC_HOURS; id <= IDC_SPIN_SECONDS; ++id) {
        const HWND control = GetDlgItem(dialog, id);
        if (id <= IDC_SECONDS ? !(GetWindowLongA(control, GWL_STYLE) & ES_READONLY)
                              : IsWindowEnabled(control))
            usable += std::string(" ") + names[id - IDC_HOURS];
    }
    const std::string arrangement =
        usable == " hours minutes seconds time-list Start signal-list hours-spin minutes-spin seconds-spin"
            ? "Stopped"
        : usable == " Pause Stop" ? "Running"
        : usable == " Stop"       ? "Ringing"
                                  : "controls" + usable;
    const std::string flags = appState.ringing ? "Ringing" : appState.running ? "Running" : "Stopped";
    std::string out = arrangement + (arrangement == flags ? "" : " flags " + flags);
    for (int id = IDC_HOURS; id <= IDC_SECONDS; ++id)
        out += (id == IDC_HOURS ? " " : ",") + std::to_string(GetDlgItemInt(dialog, id, nullptr, FALSE));
    out += std::string(appState.hidden ? " hidden" : "") +
           (appState.hidden == !IsWindowVisible(dialog) ? "" : " (out of step)") +
           (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST ? " topmost" : "") +
           (Calls("SendBack").empty() ? "" : " sent back");
    std::string stored = " |";
    for (const char* name : {kUserTimeValue, kSelectTimeValue, kSignalValue}) {
        DWORD number = 0, size = sizeof number;
        const LSTATUS read =
            RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_DWORD, 0, &number, &size);
        stored += read == ERROR_FILE_NOT_FOUND ? " -" : " " + std::to_string(number);
    }
    for (int list : {IDC_TIME_LIST, IDC_SIGNAL_LIST})
        stored += " " + std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0));
    return stored.rfind(" | - - -", 0) ? out + stored : out;
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
    {"tray:menu", WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN}};
// clang-format on

// Plays a script as the user and the platform would, each step followed by what it posted; '_' is a space:
//   1:2:3  types the fields    time=N signal=N  chooses in a list    tick tickN  N timer ticks
//   start pause stop  the buttons    reset load save about exit enter  the commands    f1 rclick  help, right
//   button min max caption sysmenu  system commands (caption: a double click on it)    active inactive
//   activation tray:move tray:click tray:dbl tray:menu  the pointer at the notification-area icon menu=Label
//   the next menu chooses that item, or Esc    fail=Call+Call  these calls fail from now on [state]  expects
//   State()    {popups}  expects the boxes and menus the step opened <script>  plays the script while each
//   box or menu of the step is open
inline void Do(HWND dialog, const std::string& script) {
    static const std::regex token(R"(\[[^\]]*\]|\{[^}]*\}|<[^>]*>|[^ ]+)");
    const std::vector<std::string> tokens(std::sregex_token_iterator(script.begin(), script.end(), token),
                                          {});
    std::string done;  // for the failure's message
    for (size_t i = 0; i < tokens.size(); done += tokens[i++] + " ") {
        std::string step = tokens[i];
        if (step[0] == '[' || step[0] == '{') {
            EXPECT_EQ(step[0] == '[' ? State(dialog) : popups, step.substr(1, step.size() - 2))
                << "after " << done;
            continue;
        }
        whileOpen = i + 1 < tokens.size() && tokens[i + 1][0] == '<' ? tokens[++i] : "";
        popupsExpected = i + 1 < tokens.size() && tokens[i + 1][0] == '{';
        popups.clear();
        std::replace(step.begin(), step.end(), '_', ' ');
        unsigned h, m, s, n = 1;
        const Step* known =
            std::find_if(std::begin(kSteps), std::end(kSteps), [&](auto& k) { return step == k.name; });
        if (known != std::end(kSteps)) {
            if (known->message == WM_ACTIVATE) activeWindow = known->wParam ? dialog : nullptr;
            SendMessageA(dialog, known->message, known->wParam, known->lParam);
        } else if (std::sscanf(step.c_str(), "%u:%u:%u", &h, &m, &s) == 3) {
            for (unsigned i = 0, value[] = {h, m, s}; i < 3; ++i)
                SetDlgItemInt(dialog, IDC_HOURS + i, value[i], 0);
        } else if (step.rfind("menu=", 0) == 0) {
            menuChoice = step.substr(5);
        } else if (step.rfind("fail=", 0) == 0) {
            for (failing.clear(); step.rfind('+') != std::string::npos; step.erase(step.rfind('+')))
                failing.insert(step.substr(step.rfind('+') + 1));
            failing.insert(step.substr(5));
        } else if (std::sscanf(step.c_str(), "time=%u", &n) == 1 ||
                   std::sscanf(step.c_str(), "signal=%u", &n) == 1) {
            const int list = step[0] == 't' ? IDC_TIME_LIST : IDC_SIGNAL_LIST;
            SendDlgItemMessageA(dialog, list, CB_SETCURSEL, n, 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), 0);
        } else {
            ASSERT_TRUE(std::sscanf(step.c_str(), "tick%u", &n) == 1 || step == "tick") << "no step " << step;
            while (n--) SendMessageA(dialog, WM_TIMER, TIMER_ID, 0);
        }
        for (MSG posted; PeekMessageA(&posted, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&posted);
        popupsExpected = false, whileOpen.clear();
    }
}
