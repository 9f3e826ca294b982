#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "harness/process.h"

namespace {
// Wine's X11 driver shows each notification-area icon as a window of this class: a child of its
// own "Wine System Tray" window when no X tray runs, or a window docked into the X tray.
constexpr const char* kIconClass = "__winex11_tray_icon";

BOOL CALLBACK CollectIcons(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, kIconClass) == 0) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    if (!GetParent(window)) EnumChildWindows(window, CollectIcons, found);
    return TRUE;
}
std::vector<HWND> Icons() {
    std::vector<HWND> found;
    EnumWindows(CollectIcons, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Within(DWORD ms, const std::function<bool()>& condition) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
        if (condition()) return true;
    return condition();
}

// The popup menu window of the program's thread, while one is shown.
HWND OpenMenu(const process::Copy& copy) {
    for (HWND menu = FindWindowA("#32768", nullptr); menu;
         menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(menu, &pid);
        if (pid == copy.info.dwProcessId && IsWindowVisible(menu)) return menu;
    }
    return nullptr;
}

void Click(HWND icon, UINT down, UINT up) {
    PostMessageA(icon, WM_MOUSEMOVE, 0, MAKELPARAM(8, 8));
    PostMessageA(icon, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(8, 8));
    PostMessageA(icon, up, 0, MAKELPARAM(8, 8));
}
}  // namespace

TEST(TrayProcessTest, IconShowsTheHiddenWindowOpensTheTrayMenuAndGoesAtExit) {
    process::EndAllCopies();
    const size_t before = Icons().size();
    process::Copy copy;
    ASSERT_TRUE(process::Start(copy));
    const HWND dialog = process::WaitMainDialog(copy);
    ASSERT_NE(dialog, nullptr);
    if (!Within(3000, [&] { return Icons().size() == before + 1; })) {
        process::EndAllCopies();
        GTEST_SKIP() << "no notification-area icon window (class " << kIconClass
                     << ") appeared under this Wine";
    }
    const HWND icon = Icons().back();

    // Right click: the tray menu; its fifth item (Start, Pause and Stop between) is "Hide".
    Click(icon, WM_RBUTTONDOWN, WM_RBUTTONUP);
    ASSERT_TRUE(Within(3000, [&] { return OpenMenu(copy) != nullptr; }));
    const HWND menu = OpenMenu(copy);
    for (int i = 0; i < 5; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(Within(3000, [&] { return !IsWindowVisible(dialog) && !OpenMenu(copy); }));

    // A left click brings the hidden window back.
    Click(icon, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_TRUE(Within(3000, [&] { return IsWindowVisible(dialog) != FALSE; }));

    // Esc closes the tray menu and nothing else.
    Click(icon, WM_RBUTTONDOWN, WM_RBUTTONUP);
    ASSERT_TRUE(Within(3000, [&] { return OpenMenu(copy) != nullptr; }));
    PostMessageA(OpenMenu(copy), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Within(3000, [&] { return !OpenMenu(copy); }));
    EXPECT_TRUE(IsWindowVisible(dialog));

    process::EndAllCopies();
    EXPECT_EQ(process::WaitExit(copy), 0u);
    EXPECT_TRUE(Within(3000, [&] { return Icons().size() == before; }));
    process::EndAllCopies();
}
