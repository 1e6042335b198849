#include "platform/net/system_clock.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <cctype>

namespace ch {
namespace {

TEST(SystemClockTest, MonotonicSecondsNeverGoBack) {
    SystemClock clock;
    double last = clock.MonotonicSeconds();
    for (int i = 0; i < 1000; ++i) {
        const double now = clock.MonotonicSeconds();
        ASSERT_GE(now, last);
        last = now;
    }
}

// The time of day is shown as the system writes it, with seconds, without the time zone.
TEST(SystemClockTest, WallClockValuesAreTimesOfDay) {
    SystemClock clock;
    const double seconds = clock.SecondsSinceMidnight();
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 86400.0);
    const std::string text = clock.TimeOfDayText();
    const auto digits =
        std::count_if(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    EXPECT_GE(digits, 5) << text;  // hours, minutes and seconds
    const std::string zone = QDateTime::currentDateTime().timeZoneAbbreviation().toStdString();
    EXPECT_EQ(text.find(zone), std::string::npos) << text;
}

}  // namespace
}  // namespace ch
