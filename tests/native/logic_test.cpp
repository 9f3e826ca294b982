// The platform-free logic, built natively with sanitizers: a full day of
// ticks, the time text, the packed user time and every error text.
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

TEST(Logic, AFullDayTicksDownByOneSecondAndOnlyAZeroClockIsTimeUp) {
    ClockTime t{24, 59, 59};
    for (std::uint32_t left = 24 * 3600 + 59 * 60 + 59; left > 0; --left) {
        ASSERT_FALSE(TickClock(t.hours, t.minutes, t.seconds));
        ASSERT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, left - 1) << Text(t);
    }
    EXPECT_TRUE(TickClock(t.hours, t.minutes, t.seconds));
    t = {4294967295u, 100, 9};
    EXPECT_TRUE(ClampClock(t.hours, t.minutes, t.seconds));
    EXPECT_EQ(Text(t), "24:59:09");
    EXPECT_FALSE(ClampClock(t.hours, t.minutes, t.seconds));
    EXPECT_EQ(Text(UnpackUserTime(0xFFFF3B3A)) + " " + std::to_string(PackUserTime(24, 59, 58)),
              "65535:59:58 1588026");
}

TEST(Logic, EveryErrorBitHasItsTextAndIcon) {
    const std::string read = "Can't read data from registry: \n\n",
                      write = "Can't write data in registry: \n\n";
    const std::pair<error, std::string> cases[] = {
        {{1, 0, 0, {}}, "! No timer is available\n"},
        {{0, 1, 0, {}}, "? Can't read configurations"},
        {{0, 0xE, 0, {}}, "! " + read + "user time\nselected time\nsignal\n"},
        {{0, 0, 1, {}}, "! Can't open registry key"},
        {{0, 0, 0x1E, {}}, "! " + write + "user time\nselected time\nsignal\n\nCan't close registry key"},
        {{0, 0, 0x10, {}}, "! Can't close registry key"},
        {{1, 3, 4, {}}, "? " + write + "selected time\n"},  // a later word's text wins; the warning stays
    };
    for (const auto& [record, expected] : cases) {
        const ErrorText out = ComposeErrorText(record);
        EXPECT_EQ((out.icon == kWarningIcon ? "? "
                   : out.icon == kErrorIcon ? "! "
                                            : "  ") +
                      std::string(out.text),
                  expected);
    }
}
