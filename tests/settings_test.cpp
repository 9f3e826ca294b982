// Saving and loading through the registry, hostile stored data and every failure's report.
#include "harness/harness.h"
#include "settings/settings_store.h"

namespace {
void Store(const char* name, DWORD type, const void* data, DWORD size) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, data, size);
}
void StoreNumber(const char* name, DWORD number) {
    Store(name, REG_DWORD, &number, sizeof number);
}
std::string Stored() {
    std::string text;
    for (const char* name : {"User time", "Select time", "Signal"}) {
        DWORD number = 0, size = sizeof number;
        RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
        text += (text.empty() ? "" : " ") + std::to_string(number);
    }
    return text;
}
std::string Shown(HWND dialog) {
    return Fields(dialog) + " " +
           std::to_string(SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCURSEL, 0, 0)) + " " +
           std::to_string(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCURSEL, 0, 0));
}
}  // namespace

TEST_F(DialogTest, SettingsRoundTripAndHostileDataIsReportedAndIgnored) {
    Store("User time", REG_SZ, "12345678", 9);   // not four bytes
    StoreNumber("Select time", 11);              // past the list
    Store("Signal", REG_BINARY, "\2\0\0\0", 4);  // four bytes of any type count
    Run([](HWND dialog) {
        EXPECT_EQ(Shown(dialog), "0,0,0 0 2");  // the first load reports nothing
        std::vector<std::string> boxes;
        onBox = [&](const std::string& box) { boxes.push_back(box); };
        Command(dialog, ID_LOAD_CONFIG);
        Type(dialog, "1", "2", "99");
        Command(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Fields(dialog) + " " + Stored(), "1,2,59 66107 0 2");  // saved clamped, and shown so
        Choose(dialog, IDC_TIME_LIST, 3);
        Command(dialog, ID_SAVE_CONFIG);  // keeps the stored user time
        StoreNumber("User time", 0xFFFF3B3B);
        StoreNumber("Signal", 0xFFFFFFFF);
        Command(dialog, ID_LOAD_CONFIG);
        StoreNumber("Select time", 0);
        StoreNumber("Signal", 1);
        Command(dialog, ID_LOAD_CONFIG);
        EXPECT_EQ(Shown(dialog), "65535,59,59 0 1");  // shown as stored
        Command(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Fields(dialog) + " " + Stored(), "24,59,59 1588027 0 1");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");
        Choose(dialog, IDC_TIME_LIST, 2);
        Command(dialog, ID_SAVE_CONFIG);  // a preset with no user time stored writes a zero one
        EXPECT_EQ(Stored(), "0 2 1");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Command(dialog, ID_LOAD_CONFIG);
        EXPECT_EQ(boxes, (std::vector<std::string>{
                             "Error!: Can't read data from registry: \n\nuser time\nselected time\n",
                             "Error!: Can't read data from registry: \n\nsignal\n",
                             "Error?: Can't read configurations"}));
    });
}

TEST_F(DialogTest, EachWriteFailureIsReportedWithItsText) {
    const std::string write = "Error!: Can't write data in registry: \n\n";
    const std::pair<std::set<std::string>, std::string> cases[] = {
        {{"RegCreateKeyExA"}, "Error!: Can't open registry key"},
        {{"RegSetValueExA User time"}, write + "user time\n"},
        {{"RegSetValueExA Select time", "RegSetValueExA Signal"}, write + "selected time\nsignal\n"},
        {{"RegCloseKey"}, "Error!: Can't close registry key"},
        {{"RegSetValueExA Signal", "RegCloseKey"}, write + "signal\n\nCan't close registry key"},
    };
    Run([&](HWND dialog) {
        for (const auto& [failures, report] : cases) {
            std::string seen = "no box";
            onBox = [&](const std::string& box) { seen = box; };
            failing = failures;
            Command(dialog, ID_SAVE_CONFIG);
            EXPECT_EQ(seen, report);
        }
    });
}
