#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "harness/process.h"
#include "res/resource.h"

namespace {

constexpr const char* kKey = "Software\\Dozewell Timer";

// What `reg query` prints for the program's key.
std::string RegQuery() {
    std::string output;
    FILE* reg = _popen((std::string("reg.exe query \"HKCU\\") + kKey + "\"").c_str(), "rb");
    for (int c; reg && (c = std::fgetc(reg)) != EOF;) output += char(c);
    if (reg) _pclose(reg);
    return output;
}
// The same for these three values, which reg lists by name.
std::string Listing(const char* selectTime, const char* signal, const char* userTime) {
    return std::string("\r\nHKEY_CURRENT_USER\\") + kKey + "\r\n    Select time    REG_DWORD    " +
           selectTime + "\r\n    Signal    REG_DWORD    " + signal + "\r\n    User time    REG_DWORD    " +
           userTime + "\r\n\r\n";
}

// "h,m,s time signal" read off the other process's dialog.
std::string Shown(HWND dialog) {
    std::string shown;
    for (int field : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) {
        char text[16] = {};
        GetDlgItemTextA(dialog, field, text, sizeof text);
        shown += (shown.empty() ? "" : ",") + std::string(text);
    }
    for (int list : {IDC_TIME_LIST, IDC_SIGNAL_LIST})
        shown += " " + std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0));
    return shown;
}

void Choose(HWND dialog, int list, int index) {
    SendDlgItemMessageA(dialog, list, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
}

void Save(HWND dialog) {
    DWORD_PTR ignored = 0;  // a report box would keep the command from returning
    EXPECT_NE(SendMessageTimeoutA(dialog, WM_COMMAND, ID_SAVE_CONFIG, 0, SMTO_NORMAL, 5000, &ignored), 0);
}

// One run of the real program, ended with Esc once body has used its dialog.
void RunProgram(const std::function<void(HWND)>& body) {
    process::Copy copy;
    ASSERT_TRUE(process::Start(copy));
    const HWND dialog = process::WaitMainDialog(copy);
    ASSERT_NE(dialog, nullptr);
    body(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(process::WaitExit(copy), 0u);
}

}  // namespace

class SettingsProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        process::EndAllCopies();
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    }
    void TearDown() override {
        process::EndAllCopies();
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    }
};

TEST_F(SettingsProcessTest, SavedSettingsComeBackAfterARestart) {
    RunProgram([](HWND dialog) {
        EXPECT_EQ(Shown(dialog), "0,0,0 0 0");
        Choose(dialog, IDC_SIGNAL_LIST, 2);
        SetDlgItemTextA(dialog, IDC_HOURS, "2");
        SetDlgItemTextA(dialog, IDC_MINUTES, "45");
        SetDlgItemTextA(dialog, IDC_SECONDS, "9");
        Save(dialog);
    });
    EXPECT_EQ(RegQuery(), Listing("0x0", "0x2", "0x22d09"));

    RunProgram([](HWND dialog) {
        EXPECT_EQ(Shown(dialog), "2,45,9 0 2");
        Choose(dialog, IDC_TIME_LIST, 6);
        Choose(dialog, IDC_SIGNAL_LIST, 3);
        Save(dialog);
    });
    // A preset leaves the stored user time alone.
    EXPECT_EQ(RegQuery(), Listing("0x6", "0x3", "0x22d09"));

    RunProgram([](HWND dialog) {
        EXPECT_EQ(Shown(dialog), "1,0,0 6 3");
        Choose(dialog, IDC_TIME_LIST, 0);
        EXPECT_EQ(Shown(dialog), "2,45,9 0 3");
    });
}
