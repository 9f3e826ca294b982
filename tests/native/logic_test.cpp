// The platform-free logic, built natively with sanitizers: clock arithmetic,
// error texts, the tray time text and the packed user time.
#include <gtest/gtest.h>

#include <string>

#include "countdown/clock.h"
#include "errors/error_text.h"
#include "settings/user_time.h"
#include "tray/time_text.h"

namespace {
std::string Text(ClockTime t) {
    char text[33];
    FormatTrayTime(t.hours, t.minutes, t.seconds, text);
    return text;
}
}  // namespace

TEST(Logic, AFullDayTicksDownSecondBySecondAndOnlyZeroReportsTimeUp) {
    ClockTime t{24, 59, 59};
    int ticks = 0;
    for (std::uint32_t left = 24 * 3600 + 59 * 60 + 59; !TickClock(t.hours, t.minutes, t.seconds);
         --left, ++ticks)
        ASSERT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, left - 1) << Text(t);
    EXPECT_EQ(ticks, 89999);
    EXPECT_EQ(Text(t), "00:00:00");
}

TEST(Logic, ClampBoundsEachCountAloneAndTheTimeTextPadsOnlySingleDigits) {
    ClockTime t{25, 60, 75};
    EXPECT_TRUE(ClampClock(t.hours, t.minutes, t.seconds));
    EXPECT_EQ(Text(t), "24:59:59");
    EXPECT_FALSE(ClampClock(t.hours, t.minutes, t.seconds));
    t = {24, 0, 60};
    EXPECT_TRUE(ClampClock(t.hours, t.minutes, t.seconds));
    EXPECT_EQ(Text(t), "24:00:59");
    EXPECT_EQ(Text({4294967295u, 100, 9}), "4294967295:100:09");
}

TEST(Logic, UserTimePacksSecondsMinutesAndHoursFromTheLowByte) {
    EXPECT_EQ(PackUserTime(24, 59, 58), 0x183B3Au);
    const ClockTime t = UnpackUserTime(0xFFFF3B3A);
    EXPECT_EQ(Text(t), "65535:59:58");
}

TEST(Logic, EveryErrorBitHasItsTextAndIcon) {
    const std::string read = "Can't read data from registry: \n\n",
                      write = "Can't write data in registry: \n\n";
    const struct {
        error record;
        std::string text;
        unsigned icon;
    } cases[] = {
        {{1, 0, 0, {}}, "No timer is available\n", kErrorIcon},
        {{0, 1, 0, {}}, "Can't read configurations", kWarningIcon},
        {{0, 0xE, 0, {}}, read + "user time\nselected time\nsignal\n", kErrorIcon},
        {{0, 0, 1, {}}, "Can't open registry key", kErrorIcon},
        {{0, 0, 0x1E, {}},
         write + "user time\nselected time\nsignal\n\nCan't close registry key",
         kErrorIcon},
        {{0, 0, 0x10, {}}, "Can't close registry key", kErrorIcon},
        {{1, 3, 4, {}}, write + "selected time\n", kWarningIcon},  // a later word's text wins; the icon stays
    };
    for (const auto& c : cases) {
        const ErrorText out = ComposeErrorText(c.record);
        EXPECT_EQ(out.text, c.text);
        EXPECT_EQ(out.icon, c.icon) << c.text;
    }
}
