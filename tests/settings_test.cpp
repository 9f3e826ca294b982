// Saving and loading through the registry, hostile stored data and every failure's report.
#include "harness.h"

#include <sddl.h>

static void Store(const char* name, DWORD number, DWORD type = REG_DWORD, DWORD size = 4) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, &number, size);
}

// Sets who may do what with the key, as its owner may.
static void Grant(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr);
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, WRITE_DAC, &key);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
    LocalFree(descriptor);
}

// clang-format off
TEST(Settings, RoundTripHostileDataIgnoredAndEveryFailureReportedWithItsText) {
    const std::string lastTime = std::to_string(kPresetCount - 1);
    const std::string lastSignal = std::to_string(kSignalCount - 1);
    Store("User time", 0, REG_SZ, 1);               // not four bytes
    Store("Select time", kPresetCount);             // past the list
    Store("Signal", kSignalCount - 1, REG_BINARY);  // the last entry; four bytes of any type count
    OpenDialog([&](HWND dialog) {
        // Only the first load is silent and takes what it can read. A reported one takes nothing, so Stop and
        // Save use what the dialog shows.
        Do(dialog, " = Stopped 0,0,0 | 0 " + std::to_string(kPresetCount) + " " + lastSignal + " 0 " + lastSignal);
        Store("Select time", kPresetCount - 1);
        Store("Signal", kSignalCount);
        Do(dialog, "load 0:0:1 start tick stop = Error 10: Can't read data from registry: \\n\\nuser time\\nsignal\\n; "
                       "Stopped 0,0,0 | 0 " + lastTime + " " + std::to_string(kSignalCount) + " 0 " + lastSignal);
        Store("User time", 0);  // each report has its own record
        Do(dialog, "load = Error 10: Can't read data from registry: \\n\\nsignal\\n; Stopped 0,0,0 | 0 " + lastTime + " " +
                       std::to_string(kSignalCount) + " 0 " + lastSignal);
        Store("Signal", 1);
        Do(dialog, "load = Stopped 3,0,0 | 0 " + lastTime + " 1 " + lastTime + " 1");
        // Saved clamped; a preset keeps the stored user time.
        Do(dialog, R"(
            time=0 signal=2 1:2:99 save = Stopped 1,2,59 | 66107 0 2 0 2
            time=3 save                 = Stopped 0,10,0 | 66107 3 2 3 2)");
        Store("User time", 0xFFFF3B3B);
        Store("Select time", 0);
        Do(dialog, R"(
            load = Stopped 65535,59,59 | 4294916923 0 2 0 2
            save = Stopped 24,59,59 | 1588027 0 2 0 2)");
        // A read-only field still changes (its arrows, another program's text): Save stores what it shows and
        // leaves the countdown and the alarm alone.
        Do(dialog, R"(
            0:0:35 start tick 1:0:0 save tick        = Running 0,0,33 | 65536 0 2 0 2
            stop 0:0:1 start tick2 0:1:0 save tick59 = Stopped 0,1,0 | 256 0 2 0 2)");
        Grant("D:(A;;KRWDSD;;;WD)");  // reading alone is enough to load
        Do(dialog, "0:0:0 load = Stopped 0,1,0 | 256 0 2 0 2");
        Grant("D:(A;;KA;;;WD)");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");  // then a zero one is written
        Do(dialog, "time=2 save = Stopped 0,5,0 | 0 2 2 2 2");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Do(dialog, "load = Error 30: Can't read configurations; Stopped 0,5,0");
        Store("Signal", 1);
        Grant("D:(A;;KRWDSD;;;WD)");
        Do(dialog, "save = Error 10: Can't open registry key; Stopped 0,5,0 | - - 1 2 2");
        Grant("D:(A;;KA;;;WD)");
        platform.failing = {"RegSetValueExA User time"};
        Do(dialog, "save = Error 10: Can't write data in registry: \\n\\nuser time\\n; Stopped 0,5,0 | - 2 2 2 2");
        platform.failing = {"RegCloseKey"};
        Do(dialog, "save = Error 10: Can't close registry key; Stopped 0,5,0 | 0 2 2 2 2");
        platform.failing = {"RegSetValueExA Select time", "RegSetValueExA Signal"};
        Do(dialog, "save = Error 10: Can't write data in registry: \\n\\nselected time\\nsignal\\n; Stopped 0,5,0 | 0 2 2 2 2");
        platform.failing = {"RegSetValueExA Signal", "RegCloseKey"};
        Do(dialog, "save = Error 10: Can't write data in registry: \\n\\nsignal\\n\\nCan't close registry key; Stopped 0,5,0 | 0 2 2 2 2");
    });
}
// clang-format on
