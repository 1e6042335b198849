#include "platform/net/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace ch {
namespace {

// With nothing at all to do, a wait must still come back (the tick), or a waiting engine could
// never look at its flags again; a hang here ends the test by its time limit.
TEST(QtEventPumpTest, YieldRunsWhatIsPendingAndAWaitComesBackWithoutAnyEvent) {
    QtEventPump pump;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    pump.Yield();
    EXPECT_TRUE(ran);
    for (int i = 0; i < 3; ++i) pump.WaitForEvent();
    int fired = 0;
    QTimer::singleShot(1, [&] { ++fired; });
    while (fired == 0) pump.WaitForEvent();
    EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace ch
