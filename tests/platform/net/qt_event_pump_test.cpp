#include "platform/net/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>

namespace ch {
namespace {

TEST(QtEventPumpTest, YieldRunsWhatIsPending) {
    QtEventPump pump;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    pump.Yield();
    EXPECT_TRUE(ran);
}

TEST(QtEventPumpTest, WaitForEventReturnsWhenAnEventArrives) {
    QtEventPump pump;
    bool fired = false;
    QTimer::singleShot(1, [&] { fired = true; });
    while (!fired) pump.WaitForEvent();
    EXPECT_TRUE(fired);
}

// With nothing at all to do, the wait must still come back (the tick), or a waiting engine
// could never look at its flags again; a hang here ends the test by its time limit.
TEST(QtEventPumpTest, WaitForEventReturnsWithoutAnyEvent) {
    QtEventPump pump;
    for (int i = 0; i < 3; ++i) pump.WaitForEvent();
    SUCCEED();
}

}  // namespace
}  // namespace ch
