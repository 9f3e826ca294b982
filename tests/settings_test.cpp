#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "harness/fixture.h"

using namespace harness;

namespace {

constexpr const char* kKey = "Software\\Dozewell Timer\\";
const char* const kNames[] = {"User time", "Select time", "Signal"};
const char* const kLines[] = {"user time\n", "selected time\n", "signal\n"};
const std::string kReadHeading = "Can't read data from registry: \n\n";
const std::string kWriteHeading = "Can't write data in registry: \n\n";
constexpr DWORD kAbsent = ~0u;  // no value at all

struct Data {
    DWORD type;
    std::vector<BYTE> bytes;
};
Data Number(DWORD n, DWORD type = REG_DWORD) {
    return {type, {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)}};
}

// What an earlier run or another program left under the key.
void Store(const char* name, const Data& data) {
    HKEY key = nullptr;
    RegCreateKeyExA(SettingsRoot(), kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (data.type == kAbsent)
        RegDeleteValueA(key, name);
    else
        RegSetValueExA(key, name, 0, data.type, data.bytes.data(), data.bytes.size());
    RegCloseKey(key);
}
// 1:2:3, "User time" selected, "Buzz"; value `which` replaced by data.
void StoreAllBut(int which, const Data& data) {
    const Data valid[] = {Number(0x010203), Number(0), Number(1)};
    for (int i = 0; i < 3; ++i) Store(kNames[i], i == which ? data : valid[i]);
}

// "user-time select-time signal" as stored; "-" for a value that is absent or not a 4-byte REG_DWORD.
std::string Stored(HKEY root = SettingsRoot()) {
    std::string stored;
    for (const char* name : kNames) {
        HKEY key = nullptr;
        DWORD type = 0, number = 0, size = sizeof number;
        const bool read = RegOpenKeyExA(root, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS &&
                          RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number),
                                           &size) == ERROR_SUCCESS &&
                          type == REG_DWORD && size == 4;
        RegCloseKey(key);
        stored += (stored.empty() ? "" : " ") + (read ? std::to_string(number) : "-");
    }
    return stored;
}

// "h,m,s time signal" as the fields and lists show them.
std::string Shown(HWND dialog) {
    return Fields(dialog) + " " +
           std::to_string(SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCURSEL, 0, 0)) + " " +
           std::to_string(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCURSEL, 0, 0));
}
// "h:m:s time signal" as the program holds them.
std::string Held() {
    char text[80];
    std::snprintf(text, sizeof text, "%u:%u:%u %u %d", PresetTable[0].hours, PresetTable[0].minutes,
                  PresetTable[0].seconds, appState.selectedTime, appState.signalIndex);
    return text;
}

bool NoPendingError() {
    const error none{};
    return std::memcmp(&appState.pendingError, &none, sizeof none) == 0;
}
// One "Error" box with this text, or none when text is empty.
void ExpectReport(const std::string& text, UINT icon = MB_ICONERROR) {
    EXPECT_TRUE(NoPendingError());
    ASSERT_EQ(Boxes().size(), text.empty() ? 0u : 1u);
    if (text.empty()) return;
    EXPECT_EQ(Boxes()[0].caption, "Error");
    EXPECT_EQ(Boxes()[0].text, text);
    EXPECT_EQ(Boxes()[0].icon, icon);
}

unsigned failing;  // writeFlags bits whose platform calls fail
decltype(&RegSetValueExA) realSet;
decltype(&RegCloseKey) realClose;
LONG WINAPI CreateRefused(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
    return ERROR_ACCESS_DENIED;
}
LONG WINAPI SetRefusedByName(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                             DWORD size) {
    for (int i = 0; i < 3; ++i)
        if (failing & (2u << i) && lstrcmpA(name, kNames[i]) == 0) return ERROR_ACCESS_DENIED;
    return realSet(key, name, reserved, type, data, size);
}
LONG WINAPI CloseRefused(HKEY key) {
    const LONG result = realClose(key);
    return failing & 0x10 ? ERROR_INVALID_HANDLE : result;
}

}  // namespace

class SettingsTest : public DialogTest {
  protected:
    void Restart() {
        ResetProgramState();
        UseCleanRegistry();
    }
};

TEST_F(SettingsTest, SavedUserTimeComesBackByLoadAndByRestart) {
    const struct {
        const char* typed[3];
        int signal;
        const char *stored, *shown, *held;
    } cases[] = {{{"1", "30", "5"}, 2, "73221 0 2", "1,30,5 0 2", "1:30:5 0 2"},
                 {{"99", "99", "99"}, 3, "1588027 0 3", "24,59,59 0 3", "24:59:59 0 3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        Restart();
        RunMainDialog([&](HWND dialog) {
            Choose(dialog, IDC_SIGNAL_LIST, c.signal);
            TypeFields(dialog, c.typed[0], c.typed[1], c.typed[2]);
            SendCommand(dialog, ID_SAVE_CONFIG);
            EXPECT_EQ(Shown(dialog), c.shown);
            EXPECT_EQ(Held(), c.held);
            EXPECT_EQ(Stored(), c.stored);
            Choose(dialog, IDC_TIME_LIST, 4);
            Choose(dialog, IDC_SIGNAL_LIST, 0);
            PresetTable[0] = {};
            SendCommand(dialog, ID_LOAD_CONFIG);
            EXPECT_EQ(Shown(dialog), c.shown);
            EXPECT_EQ(Held(), c.held);
        });
        EXPECT_TRUE(Boxes().empty());
        ResetProgramState();  // a new start over the same registry
        RunMainDialog([&](HWND dialog) {
            EXPECT_EQ(Shown(dialog), c.shown);
            EXPECT_EQ(Held(), c.held);
        });
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(SettingsTest, SavingAPresetWritesAZeroUserTimeOnlyWhenNoneIsStored) {
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored);
        Restart();
        if (stored) Store("User time", Number(0x010203));
        PresetTable[0] = {7, 8, 9};
        RunMainDialog([&](HWND dialog) {
            Choose(dialog, IDC_TIME_LIST, 4);
            Choose(dialog, IDC_SIGNAL_LIST, 1);
            SendCommand(dialog, ID_SAVE_CONFIG);
            EXPECT_EQ(Held(), stored ? "1:2:3 4 1" : "7:8:9 4 1");
        });
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(Stored(), stored ? "66051 4 1" : "0 4 1");
    }
}

TEST_F(SettingsTest, NoKeyLoadsSilentlyAtStartAndWarnsLater) {
    RunMainDialog([](HWND dialog) {
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(Shown(dialog), "0,0,0 0 0");
        EXPECT_EQ(appState.configLoaded, 1);
        Choose(dialog, IDC_TIME_LIST, 4);
        Choose(dialog, IDC_SIGNAL_LIST, 1);
        PresetTable[0] = {1, 2, 3};
        SendCommand(dialog, ID_LOAD_CONFIG);
        ExpectReport("Can't read configurations", MB_ICONWARNING);
        EXPECT_EQ(Shown(dialog), "0,15,0 4 1");
        EXPECT_EQ(Held(), "1:2:3 4 1");
    });
    EXPECT_EQ(Stored(), "- - -");
}

// Before the start the program holds 7:8:9, "5 min" and "Cuckoo"; one stored value is missing or unusable.
TEST_F(SettingsTest, UnreadableValueKeepsItsVariableAndLaterLoadsReportIt) {
    const Data unreadable[] = {{kAbsent, {}},
                               {REG_SZ, {'7', 0}},
                               {REG_BINARY, {}},
                               {REG_BINARY, {3, 0}},
                               {REG_BINARY, {3, 0, 0}},
                               {REG_BINARY, {3, 0, 0, 0, 0}},
                               {REG_BINARY, {3, 0, 0, 0, 0, 0, 0, 0}},
                               {REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}},
                               Number(11),
                               Number(0xFFFFFFFF),
                               Number(4)};
    const unsigned forValues[] = {7, 7, 7, 7, 7, 7, 7, 7, 6, 6, 4};  // bit i: tried as value i
    const struct {
        const char *heldFirst, *shownFirst, *heldLater;
    } expected[] = {{"7:8:9 0 1", "7,8,9 0 1", "7:8:9 1 0"},
                    {"1:2:3 2 1", "0,5,0 2 1", "4:5:6 5 0"},
                    {"1:2:3 0 2", "1,2,3 0 2", "4:5:6 1 3"}};
    for (int v = 0; v < 3; ++v)
        for (size_t d = 0; d < std::size(unreadable); ++d) {
            if (!(forValues[d] >> v & 1)) continue;
            SCOPED_TRACE(std::string(kNames[v]) + ", data #" + std::to_string(d));
            Restart();
            StoreAllBut(v, unreadable[d]);
            PresetTable[0] = {7, 8, 9};
            appState.selectedTime = appState.signalIndex = 2;
            RunMainDialog([&](HWND dialog) {
                EXPECT_TRUE(Boxes().empty());
                EXPECT_EQ(Held(), expected[v].heldFirst);
                EXPECT_EQ(Shown(dialog), expected[v].shownFirst);
                EXPECT_EQ(appState.configLoaded, 1);
                EXPECT_TRUE(NoPendingError());
                Choose(dialog, IDC_TIME_LIST, 5);
                Choose(dialog, IDC_SIGNAL_LIST, 3);
                const Data changed[] = {Number(0x040506), Number(1), Number(0)};
                for (int i = 0; i < 3; ++i)
                    if (i != v) Store(kNames[i], changed[i]);
                SendCommand(dialog, ID_LOAD_CONFIG);
                ExpectReport(kReadHeading + kLines[v]);
                EXPECT_EQ(Held(), expected[v].heldLater);
                EXPECT_EQ(Shown(dialog), "0,30,0 5 3");
            });
        }
}

TEST_F(SettingsTest, FourByteDataOfAnyTypeLoadsAndLargeUserTimesStayUnclamped) {
    const struct {
        int value;
        Data data;
        const char *held, *shown;
    } cases[] = {{0, Number(0x01000005), "256:0:5 0 1", "256,0,5 0 1"},
                 {0, Number(0x003C3C78), "60:60:120 0 1", "60,60,120 0 1"},
                 {0, Number(0x040506, REG_BINARY), "4:5:6 0 1", "4,5,6 0 1"},
                 {1, Number(10), "1:2:3 10 1", "3,0,0 10 1"},
                 {1, Number(4, REG_BINARY), "1:2:3 4 1", "0,15,0 4 1"},
                 {2, Number(3), "1:2:3 0 3", "1,2,3 0 3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        Restart();
        StoreAllBut(c.value, c.data);
        RunMainDialog([&](HWND dialog) {
            EXPECT_EQ(Held(), c.held);
            EXPECT_EQ(Shown(dialog), c.shown);
            SendCommand(dialog, ID_LOAD_CONFIG);
        });
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(SettingsTest, StartAndSaveClampALargeStoredUserTime) {
    Store("User time", Number(0x01000005));
    RunMainDialog([](HWND dialog) {
        SendCommand(dialog, IDC_START);
        EXPECT_EQ(appState.clock.hours, 24u);
        EXPECT_EQ(appState.clock.seconds, 5u);
        SendCommand(dialog, IDC_STOP);
        EXPECT_EQ(Shown(dialog), "256,0,5 0 0");
        SendCommand(dialog, ID_SAVE_CONFIG);
        EXPECT_EQ(Shown(dialog), "24,0,5 0 0");
        EXPECT_EQ(Held(), "24:0:5 0 0");
    });
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Stored(), "1572869 0 0");
}

TEST_F(SettingsTest, RandomStoredDataKeepsIndicesInRangeAndStopAndSaveWorking) {
    const char* given = std::getenv("DOZEWELL_SETTINGS_SEED");
    const unsigned seed = given ? std::strtoul(given, nullptr, 0) : 20250605u;
    std::printf("[   SEED   ] %u (DOZEWELL_SETTINGS_SEED repeats another)\n", seed);
    std::mt19937 random(seed);
    const DWORD types[] = {REG_DWORD, REG_BINARY, REG_SZ, REG_QWORD, REG_NONE, REG_MULTI_SZ, kAbsent};
    const DWORD usable[] = {0x200000, 11, 4};  // numbers below these are mostly fine to load
    RunMainDialog([&](HWND dialog) {
        for (int round = 0; round < 2000; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            // Each value is usable about four times in five, so about half the loads succeed.
            for (int i = 0; i < 3; ++i) {
                Data data = Number(random() % 10 ? random() % usable[i] : random(),
                                   random() % 8 ? REG_DWORD : types[random() % std::size(types)]);
                if (random() % 10 == 0) data.bytes.resize(random() % 10, BYTE(random()));
                Store(kNames[i], data);
            }
            const size_t before = Boxes().size();
            SendCommand(dialog, ID_LOAD_CONFIG);
            ASSERT_LE(appState.selectedTime, 10u);
            ASSERT_TRUE(appState.signalIndex >= 0 && appState.signalIndex <= 3);
            ASSERT_TRUE(NoPendingError());
            const size_t boxes = Boxes().size();
            if (boxes == before) {  // both lists show what was loaded
                ASSERT_EQ(Shown(dialog).substr(Shown(dialog).find(' ')), Held().substr(Held().find(' ')));
            }
            SendCommand(dialog, IDC_STOP);
            SendCommand(dialog, ID_SAVE_CONFIG);
            ASSERT_EQ(Boxes().size(), boxes) << Boxes().back().text;
        }
        std::printf("[   SEED   ] %u: %u of 2000 loads reported\n", seed, unsigned(Boxes().size()));
    });
}

TEST_F(SettingsTest, WriteFailuresAreReportedAndKeepWhatWasWritten) {
    const struct {
        unsigned failing;
        int selected;
        std::string text;
        const char *held, *stored;
    } cases[] = {
        {0x01, 0, "Can't open registry key", "0:0:0 0 3", "- - -"},
        {0x02, 0, kWriteHeading + "user time\n", "1:30:5 0 3", "- 0 3"},
        {0x02, 4, kWriteHeading + "user time\n", "0:0:0 4 3", "- 4 3"},
        {0x04, 0, kWriteHeading + "selected time\n", "1:30:5 0 3", "73221 - 3"},
        {0x08, 0, kWriteHeading + "signal\n", "1:30:5 0 3", "73221 0 -"},
        {0x10, 0, "Can't close registry key", "1:30:5 0 3", "73221 0 3"},
        {0x18, 0, kWriteHeading + "signal\n\nCan't close registry key", "1:30:5 0 3", "73221 0 -"},
        {0x1E, 0, kWriteHeading + "user time\nselected time\nsignal\n\nCan't close registry key",
         "1:30:5 0 3", "- - -"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        RunMainDialog([&](HWND dialog) {
            Choose(dialog, IDC_TIME_LIST, c.selected);
            if (c.selected == 0) TypeFields(dialog, "1", "30", "5");
            Choose(dialog, IDC_SIGNAL_LIST, 3);
            failing = c.failing;
            {
                ImportPatch set("advapi32.dll", "RegSetValueExA",
                                reinterpret_cast<const void*>(SetRefusedByName));
                ImportPatch close("advapi32.dll", "RegCloseKey", reinterpret_cast<const void*>(CloseRefused));
                realSet = set.Original<decltype(realSet)>();
                realClose = close.Original<decltype(realClose)>();
                std::optional<ImportPatch> create;
                if (c.failing & 1)
                    create.emplace("advapi32.dll", "RegCreateKeyExA",
                                   reinterpret_cast<const void*>(CreateRefused));
                SendCommand(dialog, ID_SAVE_CONFIG);
            }
            ExpectReport(c.text);
            EXPECT_EQ(Held(), c.held);
            EXPECT_EQ(Stored(), c.stored);  // what was written stays written
        });
    }
}

// Wine lets a read-only handle's subkeys be created and written; a volatile
// root refuses a lasting subkey for real (ERROR_CHILD_MUST_BE_VOLATILE).
TEST_F(SettingsTest, SaveUnderARestrictedRoot) {
    HKEY parent = nullptr, readOnly = nullptr, temporary = nullptr;
    RegCreateKeyExA(SettingsRoot(), "ro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr);
    ASSERT_EQ(RegOpenKeyExA(SettingsRoot(), "ro", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    RegCreateKeyExA(SettingsRoot(), "v", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &temporary,
                    nullptr);
    for (HKEY root : {readOnly, temporary}) {
        ResetProgramState();
        RegOverridePredefKey(HKEY_CURRENT_USER, root);
        RunMainDialog([](HWND dialog) {
            TypeFields(dialog, "1", "30", "5");
            SendCommand(dialog, ID_SAVE_CONFIG);
        });
        RegOverridePredefKey(HKEY_CURRENT_USER, SettingsRoot());
        ExpectReport(root == readOnly ? "" : "Can't open registry key");
        EXPECT_EQ(Stored(root), root == readOnly ? "73221 0 0" : "- - -");
    }
    for (HKEY key : {parent, readOnly, temporary}) RegCloseKey(key);
}
