// Saving and loading through the registry, hostile stored data and every failure's report.
#include "harness.h"

static void Store(const char* name, DWORD number, DWORD type = REG_DWORD, DWORD size = 4) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, &number, size);
}

TEST(Settings, RoundTripHostileDataIgnoredAndEveryFailureReportedWithItsText) {
    Store("User time", 0, REG_SZ, 1);  // not four bytes
    Store("Select time", 11);          // past the list
    Store("Signal", 2, REG_BINARY);    // four bytes of any type count
    OpenDialog([](HWND dialog) {
        // Only the first load is silent and takes what it can read. A reported one takes nothing, so Stop
        // and Save use what the dialog shows. Saved clamped; a preset keeps the stored user time.
        Do(dialog, "[Stopped 0,0,0 | 0 11 2 0 2]");
        Store("Select time", 3);
        Store("Signal", 1);
        Do(dialog,
           "load {Box Error 10: Can't read data from registry: \n\nuser time\n} "
           "0:0:1 start tick stop [Stopped 0,0,0 | 0 3 1 0 2] "
           "1:2:99 save [Stopped 1,2,59 | 66107 0 2 0 2] time=3 save [Stopped 0,10,0 | 66107 3 2 3 2]");
        Store("User time", 0xFFFF3B3B);
        Store("Signal", 0xFFFFFFFF);
        Do(dialog, "load {Box Error 10: Can't read data from registry: \n\nsignal\n}");
        Store("Select time", 0);
        Store("Signal", 1);
        Do(dialog,
           "load [Stopped 65535,59,59 | 4294916923 0 1 0 1] save [Stopped 24,59,59 | 1588027 0 1 0 1]");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");  // then a zero one is written
        Do(dialog, "time=2 save [Stopped 0,5,0 | 0 2 1 2 1]");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Do(dialog, "load {Box Error 30: Can't read configurations}");
        Do(dialog,
           "fail=RegCreateKeyExA save {Box Error 10: Can't open registry key} "
           "fail=RegSetValueExA_User_time save {Box Error 10: Can't write data in registry: \n\nuser time\n} "
           "fail=RegCloseKey save {Box Error 10: Can't close registry key} "
           "fail=RegSetValueExA_Select_time+RegSetValueExA_Signal save "
           "{Box Error 10: Can't write data in registry: \n\nselected time\nsignal\n} "
           "fail=RegSetValueExA_Signal+RegCloseKey save "
           "{Box Error 10: Can't write data in registry: \n\nsignal\n\nCan't close registry key}");
    });
}
