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
DWORD Stored(const char* name) {
    DWORD number = 0xDEADBEEF, size = sizeof number;
    RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
    return number;
}
void Choose(HWND dialog, int list, int index) {
    SendDlgItemMessageA(dialog, list, CB_SETCURSEL, index, 0);
    Command(dialog, list, CBN_SELCHANGE);
}
std::string Lists(HWND dialog) {
    return std::to_string(SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCURSEL, 0, 0)) + " " +
           std::to_string(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCURSEL, 0, 0));
}
}  // namespace

TEST_F(DialogTest, SettingsRoundTripAndAPresetKeepsTheKeyComplete) {
    Run([](HWND dialog) {
        Choose(dialog, IDC_SIGNAL_LIST, 2);
        Type(dialog, "1", "2", "99");
        Command(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Fields(dialog), "1,2,59");  // saved clamped, and shown so
        EXPECT_EQ(Stored("User time"), 0x01023Bu);
        Choose(dialog, IDC_TIME_LIST, 3);
        Choose(dialog, IDC_SIGNAL_LIST, 0);
        Command(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Stored("User time") + Stored("Select time") * 10 + Stored("Signal"), 0x01023Bu + 30);
        StoreNumber("Select time", 0);
        StoreNumber("Signal", 1);
        Command(dialog, ID_LOAD_CONFIG);
        EXPECT_EQ(Fields(dialog) + " " + Lists(dialog), "1,2,59 0 1");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "User time");
        Choose(dialog, IDC_TIME_LIST, 2);
        Command(dialog, ID_SAVE_CONFIG);  // a preset with no user time stored writes a zero one
        EXPECT_EQ(Stored("User time"), 0u);
    });
}

TEST_F(DialogTest, FirstLoadIsSilentAndHostileDataIsReportedAndIgnored) {
    Store("User time", REG_SZ, "12345678", 9);   // not four bytes
    StoreNumber("Select time", 11);              // past the list
    Store("Signal", REG_BINARY, "\3\0\0\0", 4);  // four bytes of any type count
    Run([](HWND dialog) {
        EXPECT_EQ(Fields(dialog) + " " + Lists(dialog), "0,0,0 0 3");
        std::vector<std::string> boxes;
        onBox = [&](const std::string& box) { boxes.push_back(box); };
        Command(dialog, ID_LOAD_CONFIG);
        StoreNumber("User time", 0xFFFF3B3B);
        StoreNumber("Select time", 0);
        StoreNumber("Signal", 0xFFFFFFFF);
        Command(dialog, ID_LOAD_CONFIG);
        StoreNumber("Signal", 1);
        Command(dialog, ID_LOAD_CONFIG);
        EXPECT_EQ(Fields(dialog) + " " + Lists(dialog), "65535,59,59 0 1");  // shown as stored
        Command(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Fields(dialog) + " " + std::to_string(Stored("User time")), "24,59,59 1588027");
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        Command(dialog, ID_LOAD_CONFIG);
        EXPECT_EQ(boxes, (std::vector<std::string>{
                             "Error!: Can't read data from registry: \n\nuser time\nselected time\n",
                             "Error!: Can't read data from registry: \n\nsignal\n",
                             "Error?: Can't read configurations"}));
    });
}

TEST_F(DialogTest, EachRegistryFailureIsReportedWithItsText) {
    const char* kWrite = "Error!: Can't write data in registry: \n\n";
    const struct {
        std::set<std::string> failing;
        UINT command;
        std::string box;
    } cases[] = {
        {{"RegCreateKeyExA"}, ID_SAVE_CONFIG, "Error!: Can't open registry key"},
        {{"RegSetValueExA User time"}, ID_SAVE_CONFIG, kWrite + std::string("user time\n")},
        {{"RegSetValueExA Select time", "RegSetValueExA Signal"},
         ID_SAVE_CONFIG,
         kWrite + std::string("selected time\nsignal\n")},
        {{"RegCloseKey"}, ID_SAVE_CONFIG, "Error!: Can't close registry key"},
        {{"RegSetValueExA Signal", "RegCloseKey"},
         ID_SAVE_CONFIG,
         kWrite + std::string("signal\n\nCan't close registry key")},
        {{"RegOpenKeyExA"}, ID_LOAD_CONFIG, "Error?: Can't read configurations"},
        {{"RegQueryValueExA Select time"},
         ID_LOAD_CONFIG,
         "Error!: Can't read data from registry: \n\nselected time\n"},
    };
    Run([&](HWND dialog) {
        Command(dialog, ID_SAVE_CONFIG);  // a complete key to load from
        for (const auto& c : cases) {
            std::string seen = "no box";
            onBox = [&](const std::string& box) { seen = box; };
            platform.failing = c.failing;
            Command(dialog, c.command);
            platform.failing.clear();
            EXPECT_EQ(seen, c.box);
            EXPECT_EQ(appState.pendingError.readFlags | appState.pendingError.writeFlags, 0u);
        }
    });
}
