// The two popup menus by state, and what clicks on the notification-area icon do.
#include "harness.h"

TEST(Tray, MenusByStateAndClicksThatAlwaysBringBackAHiddenWindow) {
    // A menu that might not close says so in its first item, unless a second try takes the foreground; About,
    // then an error report, open gray more.
    OpenDialog([&](HWND dialog) {
        Do(dialog,
           "1:2:3 tray:menu {01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit} "
           "rclick {Reset timer|-|Load config|Save config|-|Exit} "
           "fail=Foreground tray:menu {Error|-|Start|Pause#|Stop#|-|Hide|-|About|Exit} "
           "fail=once_Foreground tray:menu {01:02:03|-|Start|Pause#|Stop#|-|Hide|-|About|Exit} "
           "fail= start tray:menu {01:02:03|-|Start#|Pause|Stop|-|Hide|-|About|Exit} "
           "rclick {Reset timer#|-|Load config#|Save config|-|Exit} "
           "min tray:menu {01:02:03|-|Start#|Pause|Stop|-|Show|-|About|Exit} "
           "stop 0:0:0 start tick tray:menu {00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About|Exit} "
           "f1 <tray:menu {00:00:00|-|Start#|Pause#|Stop|-|Hide|-|About#|Exit#}> "
           "stop fail=SetTimer start <tray:menu {00:00:00#|-|Start#|Pause#|Stop#|-|Hide#|-|About#|Exit#} "
           "rclick {Reset timer|-|Load config|Save config|-|Exit}> "
           "tray:menu {00:00:00|-|Start|Pause#|Stop#|-|Hide|-|About|Exit}");  // and none once it has gone
    });
    // Clicks bring the window forward or send it back, but never a hidden one, even after the tray menu.
    const char* cases[] = {
        "active tray:move inactive tray:click [Stopped 0,0,0 sent back]",
        "active tray:move tray:click [Stopped 0,0,0]",
        "tray:move inactive tray:click [Stopped 0,0,0]",
        "0:0:0 start tick active tray:move inactive tray:click [Ringing 0,0,0 topmost]",
        "tray:click tray:dbl [Stopped 0,0,0 hidden]",
        "min tray:dbl [Stopped 0,0,0 hidden]",
        "min inactive menu=Esc tray:menu tray:move inactive tray:click [Stopped 0,0,0]",
        "start min inactive menu=Pause tray:menu tray:move inactive tray:click [Running 0,0,0]",
    };
    for (const char* script : cases) OpenDialog([&](HWND dialog) { Do(dialog, script); });
}
