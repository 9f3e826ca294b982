// The two popup menus, Show from the tray menu, clicks on the notification-area icon, and seeded walks.
#include "harness.h"

// clang-format off
// What a walk does not reach: a menu that might not close says so in its first item, unless a second try takes
// the foreground; About, then an error report, open gray more.
TEST(Tray, MenusWhereTheForegroundIsRefusedOrABoxIsOpenAndShowThroughTheTopmostGroup) {
    OpenDialog([&](HWND dialog) {
        Do(dialog, "1:2:3 tray:menu = Menu 01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 1,2,3");
        platform.failing = {"Foreground"};
        Do(dialog, "tray:menu = Menu Error|-|Start|Pause#|Stop#|-|Hide|-|About|Exit; Stopped 1,2,3");
        platform.failing.clear();
        platform.whileOpen = "tray:menu";
        const std::string aboutOpen = Do(dialog, "0:0:0 start tick f1");
        EXPECT_TRUE(aboutOpen.ends_with("; Menu 00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About#|Exit#; Ringing 0,0,0 topmost")) << aboutOpen;
        Do(dialog, R"(
            min menu=Show tray:menu      = Menu 00:00:00|-|Start#|Pause#|Stop|-|Show|-|About|Exit; Ringing 0,0,0 topmost
            stop min menu=Show tray:menu = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0)");
        platform.failing = {"SetTimer"};
        platform.whileOpen = "tray:menu rclick";
        Do(dialog, "start = Error 10: No timer is available\\n; Menu 00:00:00#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#; "
                       "Menu Reset timer|-|Load config|Save config|-|Exit; Stopped 0,0,0");
    });
}

// A click sends back only a shown window that was active as the pointer came to the icon; Windows activates a
// window that is clicked into with WA_CLICKACTIVE.
TEST(Tray, ClicksSendBackOnlyAnActiveShownWindowAndAlwaysBringBackAHiddenOne) {
    for (const char* script : {
             "active tray:move inactive tray:click = Stopped 0,0,0 behind",
             "active tray:move tray:click = Stopped 0,0,0",
             "inactive clickactive tray:move tray:click = Stopped 0,0,0",
             "tray:move inactive tray:click = Stopped 0,0,0",
             "0:0:0 start tick active tray:move inactive tray:click = Ringing 0,0,0 topmost",
             "tray:click tray:dbl = Stopped 0,0,0 hidden",
             "min tray:dbl = Stopped 0,0,0 hidden",
             "min inactive tray:menu tray:move inactive tray:click = Menu 00:00:00|-|Start|Pause#|Stop#|-|Show|-|About|Exit; Stopped 0,0,0",
             "start min inactive menu=Pause tray:menu tray:move inactive tray:click tick = Menu 00:00:00|-|Start#|Pause|Stop|-|Show|-|About|Exit; Running 0,0,0"})
        OpenDialog([&](HWND dialog) { Do(dialog, script); });
}
// clang-format on

// Whatever a user does, the rules hold after every step, and the tray menu's Exit leaves nothing.
TEST(Tray, SeededWalksKeepTheRules) {
    for (unsigned seed = 1; seed <= 6 && !HasFailure(); ++seed) Walk(seed, 60);
}
