// The platform-free logic: clock arithmetic, error texts, the tray time text
// and the packed user time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

#include "countdown/clock.h"
#include "errors/error_text.h"
#include "settings/user_time.h"
#include "tray/time_text.h"

namespace {

constexpr std::uint32_t kMax = UINT32_MAX;

auto Hms(const ClockTime& t) {
    return std::make_tuple(t.hours, t.minutes, t.seconds);
}

// Each case: the clock before, after, and the result.
struct ClockCase {
    ClockTime in, out;
    bool result;
};

void ExpectClockCases(bool (*op)(std::uint32_t&, std::uint32_t&, std::uint32_t&),
                      std::initializer_list<ClockCase> cases) {
    for (const ClockCase& c : cases) {
        ClockTime t = c.in;
        EXPECT_EQ(op(t.hours, t.minutes, t.seconds), c.result) << ::testing::PrintToString(Hms(c.in));
        EXPECT_EQ(Hms(t), Hms(c.out)) << ::testing::PrintToString(Hms(c.in));
    }
}

TEST(Logic, TickClockBorrowsAndReportsOnlyAnAlreadyZeroClock) {
    ExpectClockCases(TickClock, {{{0, 0, 1}, {0, 0, 0}, false},
                                 {{0, 0, 0}, {0, 0, 0}, true},
                                 {{0, 1, 0}, {0, 0, 59}, false},
                                 {{1, 0, 0}, {0, 59, 59}, false},
                                 {{2, 30, 0}, {2, 29, 59}, false},
                                 {{1, 1, 1}, {1, 1, 0}, false},
                                 {{0, 0, 75}, {0, 0, 74}, false},
                                 {{0, 75, 0}, {0, 74, 59}, false},
                                 {{0, 0, kMax}, {0, 0, kMax - 1}, false},
                                 {{0, kMax, 0}, {0, kMax - 1, 59}, false},
                                 {{kMax, 0, 0}, {kMax - 1, 59, 59}, false}});
}

TEST(Logic, ClampClockBoundsEachCountWithoutCarry) {
    ExpectClockCases(ClampClock, {{{24, 59, 59}, {24, 59, 59}, false},
                                  {{0, 0, 0}, {0, 0, 0}, false},
                                  {{25, 0, 0}, {24, 0, 0}, true},
                                  {{99, 99, 99}, {24, 59, 59}, true},
                                  {{0, 60, 0}, {0, 59, 0}, true},
                                  {{0, 0, 90}, {0, 0, 59}, true},
                                  {{1, 2, 60}, {1, 2, 59}, true},
                                  {{kMax, kMax, kMax}, {24, 59, 59}, true}});
}

TEST(Logic, ComposeErrorTextForEveryBitAndMixedRecords) {
    const std::string read = "Can't read data from registry: \n\n";
    const std::string write = "Can't write data in registry: \n\n";
    const std::string close = "\nCan't close registry key";
    struct Case {
        error record;
        std::string text;
        unsigned icon;
    } cases[] = {{{0, 0, 0, {}}, "", 0x10},
                 {{1, 0, 0, {}}, "No timer is available\n", 0x10},
                 {{0, 0x1, 0, {}}, "Can't read configurations", 0x30},
                 {{0, 0x2, 0, {}}, read + "user time\n", 0x10},
                 {{0, 0x4, 0, {}}, read + "selected time\n", 0x10},
                 {{0, 0x8, 0, {}}, read + "signal\n", 0x10},
                 {{0, 0, 0x1, {}}, "Can't open registry key", 0x10},
                 {{0, 0, 0x2, {}}, write + "user time\n", 0x10},
                 {{0, 0, 0x4, {}}, write + "selected time\n", 0x10},
                 {{0, 0, 0x8, {}}, write + "signal\n", 0x10},
                 {{0, 0, 0x10, {}}, "Can't close registry key", 0x10},
                 {{0, 0xE, 0, {}}, read + "user time\nselected time\nsignal\n", 0x10},
                 {{0, 0x9, 0, {}}, "Can't read configurations", 0x30},
                 {{0, 0xF, 0, {}}, "Can't read configurations", 0x30},
                 {{0, 0, 0x18, {}}, write + "signal\n" + close, 0x10},
                 {{0, 0, 0x1E, {}}, write + "user time\nselected time\nsignal\n" + close, 0x10},
                 {{0, 0, 0x11, {}}, "Can't open registry key", 0x10},
                 {{0, 0, 0x1F, {}}, "Can't open registry key", 0x10},
                 {{1, 0x2, 0, {}}, read + "user time\n", 0x10},
                 {{1, 0, 0x4, {}}, write + "selected time\n", 0x10},
                 {{0, 0x1, 0x2, {}}, write + "user time\n", 0x30},
                 {{0, 0x1, 0x10, {}}, "Can't close registry key", 0x30},
                 {{0, 0x2, 0x1, {}}, "Can't open registry key", 0x10},
                 {{0, 0, 0, {1, 2, 3}}, "", 0x10}};
    for (const Case& c : cases) {
        const ErrorText got = ComposeErrorText(c.record);
        const std::string where = std::to_string(c.record.timerFlags) + "/" +
                                  std::to_string(c.record.readFlags) + "/" +
                                  std::to_string(c.record.writeFlags);
        EXPECT_EQ(std::string(got.text), c.text) << where;
        EXPECT_EQ(got.icon, c.icon) << where;
    }
}

TEST(Logic, FormatTrayTimePadsSingleDigitsOnly) {
    struct Case {
        std::uint32_t h, m, s;
        const char* text;
    } cases[] = {{5, 7, 9, "05:07:09"},
                 {12, 0, 45, "12:00:45"},
                 {0, 0, 0, "00:00:00"},
                 {100, 10, 59, "100:10:59"},
                 {kMax, kMax, kMax, "4294967295:4294967295:4294967295"}};
    for (const Case& c : cases) {
        char text[33];
        std::memset(text, 'x', sizeof text);
        FormatTrayTime(c.h, c.m, c.s, text);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(Logic, UserTimePacksSecondsMinutesAndHoursFromTheLowByte) {
    EXPECT_EQ(PackUserTime(1, 30, 5), 73221u);
    EXPECT_EQ(PackUserTime(24, 59, 59), 0x183B3Bu);
    struct Case {
        std::uint32_t packed;
        ClockTime time;
    } cases[] = {{73221, {1, 30, 5}},
                 {0x01000005, {256, 0, 5}},
                 {0x003C3C78, {60, 60, 120}},
                 {kMax, {0xFFFF, 0xFF, 0xFF}}};
    for (const Case& c : cases) EXPECT_EQ(Hms(UnpackUserTime(c.packed)), Hms(c.time)) << c.packed;
}

}  // namespace
