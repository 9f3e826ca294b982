// Drives the real main dialog, from the real template, inside its own modal
// loop under Wine. Platform calls go through patched imports that log them
// and fail on request; message boxes are read and closed from the test.
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

// Replaces one import of this test program while it lives.
struct ImportPatch {
    ImportPatch(const char* function, const void* replacement);
    ~ImportPatch();
    void** slot;
    void* original;
};

// The calls in order ("SetTimer 1000", "PlaySound BEEP 4000d", "Tray 0 Dozewell Timer", "Menu 123,45"...),
// and the ones to fail ("SetTimer", "RegSetValueExA Signal"; "throw SetTimer" raises a foreign exception).
extern std::vector<std::string> calls;
extern std::set<std::string> failing;
std::string Calls(const std::string& prefix);  // the calls that start so, joined by ", "

// A box reads "Caption: text" ("Caption!" with the error icon, "Caption?" with the warning icon), a menu
// "item|item#|-|..." (# grayed, - a separator). The menu's handler returns the command chosen, or 0.
// A box or menu with no handler fails the test at once.
extern std::function<void(const std::string&)> onBox;
extern std::function<UINT(const std::string&)> onMenu;

struct DialogTest : ::testing::Test {
    void SetUp() override;
    void TearDown() override;  // also fails a test that left a menu or a registry key open
    void Run(const std::function<void(HWND)>& body);  // body runs once the dialog shows; then Esc
};

void Pump();                      // dispatches what waits, such as a menu's posted choice
std::string Fields(HWND dialog);  // "h,m,s"
void Type(HWND dialog, const char* hours, const char* minutes, const char* seconds);
void Choose(HWND dialog, int list, int index);
void Command(HWND dialog, UINT id, UINT code = 0);  // and what it posted
void Tick(HWND dialog, int count = 1);
