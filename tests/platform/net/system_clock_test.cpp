#include "platform/net/system_clock.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <algorithm>
#include <cctype>

namespace ch {
namespace {

// Time-outs count on a clock that starts with the program and never goes back; the time of day
// is shown as the system writes it, with seconds, without the time zone.
TEST(SystemClockTest, MonotonicSecondsCountFromTheStartAndTheTimeOfDayHasNoZone) {
    SystemClock clock;
    const double start = clock.MonotonicSeconds();
    EXPECT_LT(start, 1.0);
    EXPECT_GE(clock.MonotonicSeconds(), start);
    const double seconds = clock.SecondsSinceMidnight();
    EXPECT_TRUE(seconds >= 0.0 && seconds < 86400.0) << seconds;
    const std::string text = clock.TimeOfDayText();
    EXPECT_GE(
        std::count_if(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }), 5)
        << text;
    const std::string zone = QDateTime::currentDateTime().timeZoneAbbreviation().toStdString();
    EXPECT_EQ(text.find(zone), std::string::npos) << text;
}

}  // namespace
}  // namespace ch
