#include "harness.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "app/app_state.h"
#include "app/main_dialog.h"
#include "app/shutdown.h"
#include "countdown/clock.h"
#include "res/resource.h"

namespace harness {
namespace {

constexpr UINT kRunPosted = WM_APP + 1;
HWND postWindow = nullptr;
HWND mainDialog = nullptr;
HHOOK cbtHook = nullptr;
WNDPROC dialogWindowProc = nullptr;
HWND lastMenuWindow = nullptr;
bool keepBoxOpen = false;
BoxHandler boxHandler;
MenuHandler menuHandler;
std::vector<Box> boxes;
std::vector<Menu> menus;
Calls calls;
HKEY settingsRoot = nullptr;
char testRoot[64];

LRESULT CALLBACK PostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunPosted) {
        auto* fn = reinterpret_cast<std::function<void()>*>(lParam);
        (*fn)();
        delete fn;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool IsClass(HWND window, const char* name) {
    char buffer[32] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return std::strcmp(buffer, name) == 0;
}

UINT IconOf(HWND box) {
    UINT icon = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsClass(child, "Static") || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        const HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (shown && shown == LoadIconA(nullptr, IDI_HAND)) icon = MB_ICONERROR;
        if (shown && shown == LoadIconA(nullptr, IDI_EXCLAMATION)) icon = MB_ICONWARNING;
    }
    return icon;
}

void HandleBox(HWND box) {
    Box seen;
    seen.window = box;
    char text[512] = {};
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.icon = IconOf(box);
    seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    boxes.push_back(seen);
    keepBoxOpen = false;
    if (boxHandler) boxHandler(seen);
    if (!keepBoxOpen) CloseBox(box);
}

void HandleMenu(HWND menuWindow) {
    const HMENU handle = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    Menu seen;
    for (int i = 0; i < GetMenuItemCount(handle); ++i) {
        MenuItem item;
        const UINT state = GetMenuState(handle, i, MF_BYPOSITION);
        item.id = GetMenuItemID(handle, i);
        item.separator = (state & MF_SEPARATOR) != 0;
        item.grayed = (state & MF_GRAYED) != 0;
        char text[64] = {};
        GetMenuStringA(handle, i, text, sizeof text, MF_BYPOSITION);
        item.text = text;
        seen.items.push_back(item);
    }
    menus.push_back(seen);
    const UINT choice = menuHandler ? menuHandler(seen) : 0;
    if (choice == 0) {
        EndMenu();
        return;
    }
    // Down-arrow steps over separators only; then Enter chooses.
    for (const MenuItem& item : seen.items) {
        if (item.separator) continue;
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        if (item.id == choice) break;
    }
    PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (IsClass(window, "#32770")) {
            if (create->lpszName && !IS_INTRESOURCE(create->lpszName) &&
                std::strcmp(create->lpszName, "Dozewell Timer") == 0 && !mainDialog)
                mainDialog = window;
            else if (mainDialog && create->hwndParent == mainDialog)
                Post([window] { HandleBox(window); });
        }
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

// Menus tell their owner, the main dialog, when they wait for input. Watching
// its window procedure costs nothing per message, where a WH_CALLWNDPROC hook
// costs Wine a server round trip for every message the thread sends.
LRESULT CALLBACK WatchMenus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
        const HWND menuWindow = reinterpret_cast<HWND>(lParam);
        if (menuWindow != lastMenuWindow) {
            lastMenuWindow = menuWindow;
            HandleMenu(menuWindow);
        }
    }
    if (message == WM_EXITMENULOOP) lastMenuWindow = nullptr;
    return CallWindowProcA(dialogWindowProc, window, message, wParam, lParam);
}

void** FindImport(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
         ++desc) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    throw std::runtime_error(std::string("no import of ") + function);
}

void WriteSlot(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

UINT_PTR WINAPI FakeSetTimer(HWND, UINT_PTR id, UINT elapse, TIMERPROC) {
    if (calls.refuseTimer) return 0;
    calls.setTimer.push_back(elapse);
    return id;
}
BOOL WINAPI FakeKillTimer(HWND, UINT_PTR) {
    ++calls.killTimer;
    return TRUE;
}
BOOL WINAPI FakePlaySound(LPCSTR name, HMODULE, DWORD flags) {
    calls.sounds.push_back({name ? name : "", flags});
    return TRUE;
}
BOOL WINAPI FakeNotifyIcon(DWORD message, PNOTIFYICONDATAA record) {
    calls.tray.push_back({message, *record});
    return TRUE;
}

}  // namespace

ImportPatch::ImportPatch(const char* dll, const char* function, const void* replacement)
    : slot_(FindImport(dll, function)), original_(*slot_) {
    WriteSlot(slot_, const_cast<void*>(replacement));
}
ImportPatch::~ImportPatch() {
    WriteSlot(slot_, original_);
}

void Post(std::function<void()> fn) {
    if (!postWindow) {
        WNDCLASSA type{};
        type.lpfnWndProc = PostWindowProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "DozewellTestPost";
        RegisterClassA(&type);
        postWindow = CreateWindowA(type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   type.hInstance, nullptr);
    }
    PostMessageA(postWindow, kRunPosted, 0,
                 reinterpret_cast<LPARAM>(new std::function<void()>(std::move(fn))));
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void SetBoxHandler(BoxHandler handler) {
    boxHandler = std::move(handler);
}
void KeepBoxOpen() {
    keepBoxOpen = true;
}
void CloseBox(HWND box) {
    if (IsWindow(box)) SendMessageA(box, WM_COMMAND, IDOK, 0);
}
std::vector<Box>& Boxes() {
    return boxes;
}

const MenuItem& Menu::Item(UINT id) const {
    for (const MenuItem& item : items)
        if (item.id == id) return item;
    throw std::runtime_error("menu item not found");
}
void SetMenuHandler(MenuHandler handler) {
    menuHandler = std::move(handler);
}
std::vector<Menu>& Menus() {
    return menus;
}

HWND MainDialog() {
    return mainDialog;
}

void RunMainDialog(const std::function<void(HWND)>& body, const char* templateName, HWND owner) {
    mainDialog = nullptr;
    if (!cbtHook) cbtHook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    bool ran = false;
    Post([&body, &ran] {
        ran = true;
        const HWND dialog = mainDialog;
        // A dialog box shows itself once its loop first goes idle; the user
        // acts only after that, so the body starts with it shown.
        if (dialog)
            dialogWindowProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMenus)));
        if (dialog && !IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOWNORMAL);
        body(dialog);
        if (IsWindow(dialog)) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), templateName, owner, MainDialogProc, 0);
    // A dialog that never came up (no display, a broken template) must not pass as an empty test.
    if (!ran)
        ADD_FAILURE() << "the dialog did not run: DialogBoxParam gave " << result << ", error "
                      << GetLastError();
}

void ResetProgramState() {
    const HBRUSH brush = appState.backgroundBrush;
    appState = AppState{};
    appState.backgroundBrush = brush;
    PresetTable[0] = ClockTime{};
    boxes.clear();
    menus.clear();
    boxHandler = nullptr;
    menuHandler = nullptr;
    calls = Calls{};
}

void UseCleanRegistry() {
    RestoreRegistry();
    // One key per process, so test programs may run side by side.
    wsprintfA(testRoot, "Software\\Dozewell Timer Tests\\%lu", GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, testRoot);
    RegCreateKeyExA(HKEY_CURRENT_USER, testRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &settingsRoot,
                    nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, settingsRoot);
}

void RestoreRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (!settingsRoot) return;
    RegCloseKey(settingsRoot);
    settingsRoot = nullptr;
    RegDeleteTreeA(HKEY_CURRENT_USER, testRoot);
}

HKEY SettingsRoot() {
    return settingsRoot;
}

Calls& Recorded() {
    return calls;
}

FakePlatform::FakePlatform()
    : setTimer_("user32.dll", "SetTimer", reinterpret_cast<const void*>(FakeSetTimer)),
      killTimer_("user32.dll", "KillTimer", reinterpret_cast<const void*>(FakeKillTimer)),
      playSound_("winmm.dll", "PlaySoundA", reinterpret_cast<const void*>(FakePlaySound)),
      notifyIcon_("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<const void*>(FakeNotifyIcon)) {}

std::string ItemText(HWND dialog, int id) {
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
void SetItemText(HWND dialog, int id, const char* text) {
    SetDlgItemTextA(dialog, id, text);
}
std::string Fields(HWND dialog) {
    return ItemText(dialog, IDC_HOURS) + "," + ItemText(dialog, IDC_MINUTES) + "," +
           ItemText(dialog, IDC_SECONDS);
}
void TypeFields(HWND dialog, const char* hours, const char* minutes, const char* seconds) {
    SetItemText(dialog, IDC_HOURS, hours);
    SetItemText(dialog, IDC_MINUTES, minutes);
    SetItemText(dialog, IDC_SECONDS, seconds);
}
void Choose(HWND dialog, int list, int index) {
    SendDlgItemMessageA(dialog, list, CB_SETCURSEL, index, 0);
    SendCommand(dialog, list, CBN_SELCHANGE);
}
bool Topmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
void SendCommand(HWND dialog, UINT id, UINT code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
}
void Tick(HWND dialog, int count) {
    for (int i = 0; i < count; ++i) SendMessageA(dialog, WM_TIMER, TIMER_ID, 0);
}

}  // namespace harness
