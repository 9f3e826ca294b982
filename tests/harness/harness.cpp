#include "harness/harness.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "app/main_dialog.h"
#include "countdown/clock.h"

std::vector<std::string> calls;
std::set<std::string> failing;
std::function<void(const std::string&)> onBox;
std::function<UINT(const std::string&)> onMenu;

// The platform's own function, whatever this program's import table holds.
#define REAL(dll, function)                \
    reinterpret_cast<decltype(&function)>( \
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), #function)))

namespace {
constexpr const char* kTestRoot = "Software\\Dozewell Timer Tests";
HKEY testRoot;
std::vector<std::unique_ptr<ImportPatch>> patches;
std::vector<HMENU> menus;  // every menu shown: destroyed by the end of the test
std::set<HKEY> keys;       // every key read or written: closed by the end of the test
std::vector<std::function<void()>> pending;

void CALLBACK RunPending(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto fn = std::move(pending.front());
    pending.erase(pending.begin());
    fn();
}
// Runs fn from whichever message loop is running when it comes due.
void Later(std::function<void()> fn) {
    pending.push_back(std::move(fn));
    REAL("user32", SetTimer)(nullptr, 0, 0, RunPending);
}

// Logs a call; false when the test wants it, or all calls of its function, to fail.
bool Log(const std::string& call) {
    calls.push_back(call);
    const std::string function = call.substr(0, call.find(' '));
    if (failing.count("throw " + function)) throw 42;
    return !failing.count(function) && !failing.count(call);
}

struct Fake {
    static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
        return Log("SetTimer " + std::to_string(ms)) ? id : 0;
    }
    static BOOL WINAPI PlaySoundA(LPCSTR name, HMODULE, DWORD flags) {
        char text[64];
        return wsprintfA(text, "PlaySound %s %lx", name ? name : "-", flags), Log(text);
    }
    static BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA icon) {
        char text[128];
        wsprintfA(text, "Tray %lu %lu %x %x %s", message, icon->cbSize, icon->uFlags, icon->uCallbackMessage,
                  icon->szTip);
        return Log(text);
    }
    // The menu loop is the platform's: a chosen item arrives as it would from there.
    static BOOL WINAPI TrackPopupMenu(HMENU menu, UINT, int x, int y, int, HWND owner, const RECT*) {
        Log("Menu " + std::to_string(x) + "," + std::to_string(y));
        menus.push_back(menu);
        std::string text;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char item[64] = "-";
            const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
            text += (i ? "|" : "") + std::string(item) +
                    ((state & (MF_GRAYED | MF_SEPARATOR)) == MF_GRAYED ? "#" : "");
        }
        if (!onMenu)
            ADD_FAILURE() << "unexpected menu " << text;
        else if (const UINT choice = onMenu(text))
            PostMessageA(owner, WM_COMMAND, choice, 0);
        return TRUE;
    }
    // The box is read as the program asked for it, then closed from its own loop.
    static int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
        EXPECT_EQ(owner, GetParent(appState.startButton)) << text;
        const UINT icon = style & MB_ICONMASK;
        const std::string box = caption +
                                std::string(icon == MB_ICONWARNING ? "?"
                                            : icon == MB_ICONERROR ? "!"
                                                                   : "") +
                                ": " + text;
        Log("Box " + box);
        Later([box, caption] {
            if (onBox)
                onBox(box);
            else
                ADD_FAILURE() << "unexpected message box " << box;
            SendMessageA(FindWindowA("#32770", caption), WM_COMMAND, IDOK, 0);
        });
        return REAL("user32", MessageBoxA)(owner, text, caption, style);
    }
    static LSTATUS WINAPI RegCreateKeyExA(HKEY root, LPCSTR name, DWORD, LPSTR, DWORD, REGSAM,
                                          LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD) {
        return Log("RegCreateKeyExA") ? RegCreateKeyA(root, name, key) : ERROR_ACCESS_DENIED;
    }
    static LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD size) {
        keys.insert(key);
        return Log("RegSetValueExA " + std::string(name))
                   ? RegSetKeyValueA(key, nullptr, name, type, data, size)
                   : ERROR_ACCESS_DENIED;
    }
    static LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                           LPDWORD size) {
        keys.insert(key);
        return REAL("advapi32", RegQueryValueExA)(key, name, reserved, type, data, size);
    }
    static LSTATUS WINAPI RegCloseKey(HKEY key) {
        const LSTATUS status = REAL("advapi32", RegCloseKey)(key);
        return Log("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
    }
};

void** FindImport(const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; dll->Name; ++dll) {
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot)
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                !std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name,
                             function))
                return reinterpret_cast<void**>(&slot->u1.Function);
    }
    throw std::runtime_error(std::string("no import of ") + function);
}
}  // namespace

ImportPatch::ImportPatch(const char* function, const void* replacement)
    : slot(FindImport(function)), original(*slot) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = const_cast<void*>(replacement);
}
ImportPatch::~ImportPatch() {
    *slot = original;
}

std::string Calls(const std::string& prefix) {
    std::string joined;
    for (const std::string& call : calls)
        if (call.rfind(prefix, 0) == 0) joined += (joined.empty() ? "" : ", ") + call;
    return joined;
}

#define FAKE(function) \
    { #function, reinterpret_cast < const void*>(Fake::function) }
void DialogTest::SetUp() {
    const HBRUSH brush = appState.backgroundBrush;
    appState = AppState{};
    appState.backgroundBrush = brush;
    PresetTable[0] = ClockTime{};
    calls = {}, failing = {}, menus = {}, keys = {}, onBox = nullptr, onMenu = nullptr;
    // A fresh private key stands in for HKEY_CURRENT_USER.
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
    RegCreateKeyA(HKEY_CURRENT_USER, kTestRoot, &testRoot);
    RegOverridePredefKey(HKEY_CURRENT_USER, testRoot);
    const std::pair<const char*, const void*> fakes[] = {
        FAKE(SetTimer),       FAKE(PlaySoundA),       FAKE(Shell_NotifyIconA),
        FAKE(TrackPopupMenu), FAKE(MessageBoxA),      FAKE(RegCreateKeyExA),
        FAKE(RegSetValueExA), FAKE(RegQueryValueExA), FAKE(RegCloseKey)};
    for (const auto& [function, fake] : fakes)
        patches.push_back(std::make_unique<ImportPatch>(function, fake));
}

void DialogTest::TearDown() {
    patches.clear();
    for (HMENU menu : menus) EXPECT_FALSE(IsMenu(menu)) << "a menu was not destroyed";
    for (HKEY key : keys)
        EXPECT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE)
            << "a key was not closed";
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(testRoot);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
}

void DialogTest::Run(const std::function<void(HWND)>& body) {
    bool ran = false;
    Later([&] {
        ran = true;
        const HWND dialog = GetParent(appState.startButton);
        ShowWindow(dialog, SW_SHOWNORMAL);  // as its loop does when it first goes idle
        body(dialog);
        if (Calls("Tray 2").empty()) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    // Without a display the dialog never comes up; that must not pass as an empty test.
    if (!ran) ADD_FAILURE() << "the dialog did not come up";
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}
std::string Fields(HWND dialog) {
    std::string text;
    for (int field = IDC_HOURS; field <= IDC_SECONDS; ++field)
        text += (text.empty() ? "" : ",") + std::to_string(GetDlgItemInt(dialog, field, nullptr, FALSE));
    return text;
}
void Type(HWND dialog, const char* hours, const char* minutes, const char* seconds) {
    const char* texts[] = {hours, minutes, seconds};
    for (int i = 0; i < 3; ++i) SetDlgItemTextA(dialog, IDC_HOURS + i, texts[i]);
}
void Choose(HWND dialog, int list, int index) {
    SendDlgItemMessageA(dialog, list, CB_SETCURSEL, index, 0);
    Command(dialog, list, CBN_SELCHANGE);
}
void Command(HWND dialog, UINT id, UINT code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
    Pump();
}
void Tick(HWND dialog, int count) {
    for (int i = 0; i < count; ++i) SendMessageA(dialog, WM_TIMER, TIMER_ID, 0);
}
