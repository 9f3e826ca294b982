#include "harness/harness.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstring>
#include <memory>

#include "app/main_dialog.h"
#include "countdown/clock.h"

std::function<void(const std::string&)> onBox;
std::function<UINT(const std::string&)> onMenu;
Platform platform;

namespace {
HWND mainDialog = nullptr;
WNDPROC dialogProc = nullptr;
HWND lastMenu = nullptr;
std::vector<UINT> menuIds;
UINT menuChoice = 0;
bool menuIdled = false;
HKEY testRoot = nullptr;
std::vector<std::unique_ptr<ImportPatch>> patches;

void** FindImport(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; desc->Name; ++desc) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots)
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
                            function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
    }
    ADD_FAILURE() << "this program does not import " << function;
    static void* nowhere;
    return &nowhere;
}

void WriteSlot(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

// Logs a call; false when the test wants it to fail. "throw CALL" raises
// something other than the program's own error record instead.
bool Logged(const std::string& call, const std::string& detail = "") {
    const std::string entry = detail.empty() ? call : call + " " + detail;
    platform.log.push_back(entry);
    if (platform.failing.count("throw " + call)) throw 42;
    return !platform.failing.count(call) && !platform.failing.count(entry);
}

// The original behind an entry of the table in DialogTest::SetUp.
template <typename F>
F Real(int index) {
    return reinterpret_cast<F>(patches[index]->original);
}

UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR id, UINT ms, TIMERPROC) {
    return Logged("SetTimer", std::to_string(ms)) ? id : 0;
}
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) {
    return Logged("KillTimer");
}
BOOL WINAPI FakePlaySound(LPCSTR name, HMODULE, DWORD flags) {
    char hex[16];
    wsprintfA(hex, "%lx", flags);
    return Logged("PlaySound", std::string(name ? name : "-") + " " + hex);
}
BOOL WINAPI FakeNotifyIcon(DWORD message, PNOTIFYICONDATAA r) {
    return Logged("Tray", std::to_string(message) + " " + std::to_string(r->cbSize) + " " +
                              std::to_string(r->uFlags) + " " + std::to_string(r->uCallbackMessage) + " " +
                              r->szTip);
}
HMENU WINAPI FakeLoadMenu(HINSTANCE instance, LPCSTR name) {
    ++platform.menusHeld;
    return Real<decltype(&LoadMenuA)>(4)(instance, name);
}
BOOL WINAPI FakeDestroyMenu(HMENU menu) {
    --platform.menusHeld;
    return Real<decltype(&DestroyMenu)>(5)(menu);
}
// The menu is described as the program built it, then tracked for real.
BOOL WINAPI FakeTrackMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect) {
    Logged("Menu", std::to_string(x) + "," + std::to_string(y));
    std::string text;
    menuIds.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char item[64] = {};
        GetMenuStringA(menu, i, item, sizeof item, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        text += (i ? "|" : "") + std::string(state & MF_SEPARATOR ? "-"
                                             : state & MF_GRAYED  ? item + std::string("#")
                                                                  : item);
        if (!(state & MF_SEPARATOR)) menuIds.push_back(GetMenuItemID(menu, i));
    }
    menuChoice = 0;
    if (onMenu)
        menuChoice = onMenu(text);
    else
        ADD_FAILURE() << "unexpected menu " << text;
    menuIdled = false;
    const BOOL result = Real<decltype(&TrackPopupMenu)>(6)(menu, flags, x, y, reserved, owner, rect);
    // Wine shows no menu for a hidden owner, where Windows does: the choice
    // then arrives as Windows' menu would send it.
    if (!menuIdled && menuChoice) PostMessageA(owner, WM_COMMAND, menuChoice, 0);
    return result;
}
BOOL WINAPI FakeForeground(HWND window) {
    return Logged("SetForegroundWindow") && Real<decltype(&SetForegroundWindow)>(14)(window);
}
BOOL WINAPI FakeCursorPos(POINT* point) {
    *point = POINT{123, 45};
    return TRUE;
}
LSTATUS WINAPI FakeOpenKey(HKEY root, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
    if (!Logged("RegOpenKeyExA")) return ERROR_ACCESS_DENIED;
    const LSTATUS status = Real<decltype(&RegOpenKeyExA)>(8)(root, name, options, access, key);
    platform.keysHeld += status == ERROR_SUCCESS;
    return status;
}
LSTATUS WINAPI FakeCreateKey(HKEY root, LPCSTR name, DWORD reserved, LPSTR type, DWORD options, REGSAM access,
                             const LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
    if (!Logged("RegCreateKeyExA")) return ERROR_ACCESS_DENIED;
    const LSTATUS status = Real<decltype(&RegCreateKeyExA)>(9)(root, name, reserved, type, options, access,
                                                               security, key, disposition);
    platform.keysHeld += status == ERROR_SUCCESS;
    return status;
}
LSTATUS WINAPI FakeCloseKey(HKEY key) {
    --platform.keysHeld;
    const LSTATUS status = Real<decltype(&RegCloseKey)>(10)(key);
    return Logged("RegCloseKey") ? status : ERROR_ACCESS_DENIED;
}
LSTATUS WINAPI FakeSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    if (!Logged("RegSetValueExA", name)) return ERROR_ACCESS_DENIED;
    return Real<decltype(&RegSetValueExA)>(11)(key, name, reserved, type, data, size);
}
LSTATUS WINAPI FakeQueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                              LPDWORD size) {
    if (!Logged("RegQueryValueExA", name)) return ERROR_FILE_NOT_FOUND;
    return Real<decltype(&RegQueryValueExA)>(12)(key, name, reserved, type, data, size);
}

constexpr UINT kRunPosted = WM_APP + 1;
LRESULT CALLBACK PostedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kRunPosted) return DefWindowProcA(window, message, wParam, lParam);
    std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(lParam));
    (*fn)();
    return 0;
}

// Runs fn from whichever message loop is running when it comes due.
void Post(std::function<void()> fn) {
    static HWND window = [] {
        WNDCLASSA type{};
        type.lpfnWndProc = PostedProc;
        type.lpszClassName = "DozewellTestPost";
        RegisterClassA(&type);
        return CreateWindowA(type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }();
    PostMessageA(window, kRunPosted, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(fn))));
}

// The box is described by what the program asked for; it is closed from its own loop.
int WINAPI FakeMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    EXPECT_EQ(owner, GetParent(appState.startButton)) << text;
    const char* icon = (style & MB_ICONMASK) == MB_ICONWARNING ? "?"
                       : (style & MB_ICONMASK) == MB_ICONERROR ? "!"
                                                               : "";
    const std::string box = std::string(caption) + icon + ": " + text;
    Logged("Box", box);
    Post([box, caption] {
        if (onBox)
            onBox(box);
        else
            ADD_FAILURE() << "unexpected message box " << box;
        SendMessageA(FindWindowA("#32770", caption), WM_COMMAND, IDOK, 0);
    });
    return Real<decltype(&MessageBoxA)>(7)(owner, text, caption, style);
}

// Chooses the pending item of a menu that waits for input: Down steps over
// separators only, then Enter chooses.
void HandleMenu(HWND menuWindow) {
    menuIdled = true;
    if (menuChoice == 0) {
        EndMenu();
        return;
    }
    for (UINT id : menuIds) {
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        if (id == menuChoice) break;
    }
    PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

// Menus tell their owner when they wait for input.
LRESULT CALLBACK WatchMenus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU && reinterpret_cast<HWND>(lParam) != lastMenu) {
        lastMenu = reinterpret_cast<HWND>(lParam);
        HandleMenu(lastMenu);
    }
    if (message == WM_EXITMENULOOP) lastMenu = nullptr;
    return CallWindowProcA(dialogProc, window, message, wParam, lParam);
}

}  // namespace

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

ImportPatch::ImportPatch(const char* dll, const char* function, const void* replacement)
    : slot(FindImport(dll, function)), original(*slot) {
    WriteSlot(slot, const_cast<void*>(replacement));
}
ImportPatch::~ImportPatch() {
    WriteSlot(slot, original);
}

std::string Platform::Calls(const std::string& prefix) const {
    std::string joined;
    for (const std::string& call : log)
        if (call.rfind(prefix, 0) == 0) joined += (joined.empty() ? "" : ", ") + call;
    return joined;
}

void DialogTest::SetUp() {
    const HBRUSH brush = appState.backgroundBrush;
    appState = AppState{};
    appState.backgroundBrush = brush;
    PresetTable[0] = ClockTime{};
    onBox = nullptr;
    onMenu = nullptr;
    // A private, empty key stands in for HKEY_CURRENT_USER.
    const std::string root = "Software\\Dozewell Timer Tests\\" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
    RegCreateKeyExA(HKEY_CURRENT_USER, root.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &testRoot,
                    nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, testRoot);
    platform = Platform{};
    const struct {
        const char* dll;
        const char* function;
        const void* fake;
    } table[] = {
        {"user32.dll", "SetTimer", reinterpret_cast<const void*>(FakeSetTimer)},
        {"user32.dll", "KillTimer", reinterpret_cast<const void*>(FakeKillTimer)},
        {"winmm.dll", "PlaySoundA", reinterpret_cast<const void*>(FakePlaySound)},
        {"shell32.dll", "Shell_NotifyIconA", reinterpret_cast<const void*>(FakeNotifyIcon)},
        {"user32.dll", "LoadMenuA", reinterpret_cast<const void*>(FakeLoadMenu)},
        {"user32.dll", "DestroyMenu", reinterpret_cast<const void*>(FakeDestroyMenu)},
        {"user32.dll", "TrackPopupMenu", reinterpret_cast<const void*>(FakeTrackMenu)},
        {"user32.dll", "MessageBoxA", reinterpret_cast<const void*>(FakeMessageBox)},
        {"advapi32.dll", "RegOpenKeyExA", reinterpret_cast<const void*>(FakeOpenKey)},
        {"advapi32.dll", "RegCreateKeyExA", reinterpret_cast<const void*>(FakeCreateKey)},
        {"advapi32.dll", "RegCloseKey", reinterpret_cast<const void*>(FakeCloseKey)},
        {"advapi32.dll", "RegSetValueExA", reinterpret_cast<const void*>(FakeSetValue)},
        {"advapi32.dll", "RegQueryValueExA", reinterpret_cast<const void*>(FakeQueryValue)},
        {"user32.dll", "GetCursorPos", reinterpret_cast<const void*>(FakeCursorPos)},
        {"user32.dll", "SetForegroundWindow", reinterpret_cast<const void*>(FakeForeground)},
    };
    for (const auto& entry : table)
        patches.push_back(std::make_unique<ImportPatch>(entry.dll, entry.function, entry.fake));
}

void DialogTest::TearDown() {
    patches.clear();
    EXPECT_EQ(platform.menusHeld, 0) << "a menu was not destroyed";
    EXPECT_EQ(platform.keysHeld, 0) << "a registry key was not closed";
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(testRoot);
    RegDeleteTreeA(HKEY_CURRENT_USER,
                   ("Software\\Dozewell Timer Tests\\" + std::to_string(GetCurrentProcessId())).c_str());
}

void DialogTest::Run(const std::function<void(HWND)>& body) {
    bool ran = false;
    Post([&] {
        ran = true;
        mainDialog = GetParent(appState.startButton);
        dialogProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(mainDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMenus)));
        // A dialog box shows itself when its loop first goes idle; the user acts after that.
        ShowWindow(mainDialog, SW_SHOWNORMAL);
        body(mainDialog);
        Pump();
        if (IsWindow(mainDialog)) SendMessageA(mainDialog, WM_COMMAND, IDCANCEL, 0);
    });
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), "IDD_TMP", nullptr, MainDialogProc, 0);
    // Without a display the dialog never comes up; that must not pass as an empty test.
    if (!ran) ADD_FAILURE() << "the dialog did not run: DialogBoxParam gave " << result;
}

std::string Fields(HWND dialog) {
    char h[16], m[16], s[16];
    GetDlgItemTextA(dialog, IDC_HOURS, h, sizeof h);
    GetDlgItemTextA(dialog, IDC_MINUTES, m, sizeof m);
    GetDlgItemTextA(dialog, IDC_SECONDS, s, sizeof s);
    return std::string(h) + "," + m + "," + s;
}
void Type(HWND dialog, const char* hours, const char* minutes, const char* seconds) {
    SetDlgItemTextA(dialog, IDC_HOURS, hours);
    SetDlgItemTextA(dialog, IDC_MINUTES, minutes);
    SetDlgItemTextA(dialog, IDC_SECONDS, seconds);
}
void Command(HWND dialog, UINT id, UINT code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
    Pump();
}
void Tick(HWND dialog, int count) {
    for (int i = 0; i < count; ++i) SendMessageA(dialog, WM_TIMER, TIMER_ID, 0);
}
bool Topmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
