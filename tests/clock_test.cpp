// The time fields, the Select time list and Reset timer in the real dialog.
#include "countdown/clock_fields.h"
#include "harness/fixture.h"

using namespace harness;

namespace {

LRESULT Selection(HWND dialog) {
    return SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCURSEL, 0, 0);
}

class ClockTest : public DialogTest {};

TEST_F(ClockTest, EachTimeListEntryWritesItsDuration) {
    const char* const entries[][2] = {
        {"User time", "0,0,0"}, {"1 min", "0,1,0"},          {"5 min", "0,5,0"},  {"10 min", "0,10,0"},
        {"15 min", "0,15,0"},   {"30 min", "0,30,0"},        {"1 hour", "1,0,0"}, {"1 hour 30 min", "1,30,0"},
        {"2 hour", "2,0,0"},    {"2 hour 30 min", "2,30,0"}, {"3 hour", "3,0,0"}};
    RunMainDialog([&](HWND dialog) {
        // Downwards, so "User time" comes last and must overwrite a nonzero duration.
        for (int entry = 10; entry >= 0; --entry) {
            Choose(dialog, IDC_TIME_LIST, entry);
            char text[32] = {};
            SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, entries[entry][0]);
            EXPECT_EQ(Fields(dialog), entries[entry][1]) << text;
            EXPECT_EQ(appState.selectedTime, static_cast<std::uint32_t>(entry));
        }
    });
}

TEST_F(ClockTest, OtherListNotificationsDoNothing) {
    RunMainDialog([](HWND dialog) {
        Choose(dialog, IDC_TIME_LIST, 6);
        SetItemText(dialog, IDC_SECONDS, "7");
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, 2, 0);
        for (UINT code : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u}) {
            SendCommand(dialog, IDC_TIME_LIST, code);
            EXPECT_EQ(Fields(dialog), "1,0,7") << code;
            EXPECT_EQ(appState.selectedTime, 6u) << code;
        }
    });
}

TEST_F(ClockTest, ResetWritesZerosAndKeepsTheSelection) {
    RunMainDialog([](HWND dialog) {
        Choose(dialog, IDC_TIME_LIST, 7);
        appState.clock = {5, 6, 7};
        SendCommand(dialog, ID_RESET_TIMER);
        EXPECT_EQ(Fields(dialog), "0,0,0");
        EXPECT_EQ(Selection(dialog), 7);
        EXPECT_EQ(appState.selectedTime, 7u);
        EXPECT_EQ(appState.clock.hours + appState.clock.minutes + appState.clock.seconds, 0u);
    });
}

TEST_F(ClockTest, ResetWhileRunningOrPausedChangesNothing) {
    RunMainDialog([](HWND dialog) {
        Choose(dialog, IDC_TIME_LIST, 4);
        SendCommand(dialog, IDC_START);
        Tick(dialog, 2);
        for (int pass = 0; pass < 2; ++pass) {
            SendCommand(dialog, ID_RESET_TIMER);
            EXPECT_EQ(Fields(dialog), "0,14,58");
            EXPECT_EQ(appState.clock.minutes * 60 + appState.clock.seconds, 14u * 60 + 58);
            EXPECT_EQ(appState.running, 1);
            SendCommand(dialog, IDC_PAUSE);
        }
    });
}

TEST_F(ClockTest, ReadClockFieldsTakesEmptyOrNonNumericAsZero) {
    RunMainDialog([](HWND dialog) {
        const char* const cases[][3] = {{"", "07", "59"}, {"24", "", "ab"}, {"99", "00", ""}};
        const ClockTime want[] = {{0, 7, 59}, {24, 0, 0}, {99, 0, 0}};
        for (int i = 0; i < 3; ++i) {
            SetItemText(dialog, IDC_HOURS, cases[i][0]);
            SetItemText(dialog, IDC_MINUTES, cases[i][1]);
            SetItemText(dialog, IDC_SECONDS, cases[i][2]);
            const ClockTime got = ReadClockFields(dialog);
            EXPECT_EQ(got.hours, want[i].hours) << i;
            EXPECT_EQ(got.minutes, want[i].minutes) << i;
            EXPECT_EQ(got.seconds, want[i].seconds) << i;
        }
        EXPECT_TRUE(Boxes().empty());
    });
}

}  // namespace
