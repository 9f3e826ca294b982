// The two popup menus, Show from the tray menu, clicks on the notification-area icon, and seeded walks.
#include "harness.h"

// Every menu is checked against the state as it opens; these are the states a walk does not reach. A menu
// that might not close says so in its first item, unless a second try takes the foreground; About, then an
// error report, open gray more.
TEST(Tray, MenusWhereTheForegroundIsRefusedOrABoxIsOpenAndShowThroughTheTopmostGroup) {
    OpenDialog([&](HWND dialog) {
        Do(dialog,
           "1:2:3 tray:menu {01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit} "
           "fail=Foreground menu=Esc tray:menu fail=once_Foreground menu=Esc tray:menu fail= 0:0:0 start "
           "tick "
           "f1 <tray:menu {00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About#|Exit#}> "
           "min menu=Show tray:menu [Ringing 0,0,0 topmost] stop min menu=Show tray:menu [Stopped 0,0,0] "
           "fail=SetTimer start <menu=Esc tray:menu rclick {Reset timer|-|Load config|Save config|-|Exit}>");
    });
}

TEST(Tray, ClicksSendBackOnlyAnActiveShownWindowAndAlwaysBringBackAHiddenOne) {
    const char* cases[] = {
        "active tray:move inactive tray:click [Stopped 0,0,0 sent back]",
        "active tray:move tray:click [Stopped 0,0,0]",
        "tray:move inactive tray:click [Stopped 0,0,0]",
        "0:0:0 start tick active tray:move inactive tray:click [Ringing 0,0,0 topmost]",
        "tray:click tray:dbl [Stopped 0,0,0 hidden]",
        "min tray:dbl [Stopped 0,0,0 hidden]",
        "min inactive menu=Esc tray:menu tray:move inactive tray:click [Stopped 0,0,0]",
        "start min inactive menu=Pause tray:menu tray:move inactive tray:click [Running paused 0,0,0]",
    };
    for (const char* script : cases) OpenDialog([&](HWND dialog) { Do(dialog, script); });
}

// Whatever a user does, the run-state rules hold after every step, and the tray menu's Exit leaves nothing.
TEST(Tray, SeededWalksKeepTheRunStateRules) {
    for (unsigned seed = 1; seed <= 6 && !HasFailure(); ++seed) Walk(seed, 60);
}
