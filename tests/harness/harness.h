// Drives the real main dialog, from the real template, inside its own modal
// loop under Wine. Timer, sound, tray, menu and registry calls go through
// patched imports that log them; boxes and menus are read and closed here.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "res/resource.h"

// Replaces one import of this test program for the object's lifetime.
struct ImportPatch {
    ImportPatch(const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    void** slot;
    void* original;
};

// A box as "caption: text" (with "!" after the caption for the error icon and
// "?" for the warning icon); a menu as its items joined by "|", "#" after a
// grayed one, "-" for a separator. The handler of a menu returns the command
// to choose, or 0 for Esc.
extern std::function<void(const std::string& box)> onBox;
extern std::function<UINT(const std::string& menu)> onMenu;

struct Platform {
    std::vector<std::string>
        log;  // "SetTimer 1000", "PlaySound BEEP 4000d", "Tray 0 104 7 Dozewell Timer"...
    std::set<std::string> failing;  // "SetTimer", "RegSetValueExA Signal", "RegCloseKey"...
    int menusHeld = 0;              // loaded and not yet destroyed
    int keysHeld = 0;               // opened or created and not yet closed
    std::string Calls(const std::string& prefix) const;  // the log entries that start so, joined by ", "
};
extern Platform platform;

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;  // also fails a test that left a menu or a key behind
    // Opens the main dialog; body runs once it is shown, then Esc ends it.
    void Run(const std::function<void(HWND)>& body);
};

// Dispatches what waits in the queue: a chosen menu item arrives as a posted command.
void Pump();
std::string Fields(HWND dialog);  // "h,m,s"
void Type(HWND dialog, const char* hours, const char* minutes, const char* seconds);
void Command(HWND dialog, UINT id, UINT code = 0);
void Tick(HWND dialog, int count = 1);
bool Topmost(HWND window);
