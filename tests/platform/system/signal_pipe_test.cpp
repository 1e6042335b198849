#include "platform/system/signal_pipe.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <vector>

namespace ch {
namespace {

TEST(SignalPipe, EachSignalReachesTheEventLoopCountedInsteadOfEndingTheProcess) {
    std::vector<int> counts;
    QEventLoop loop;
    SignalPipe pipe({SIGINT, SIGTERM, SIGHUP}, [&](int count) {
        counts.push_back(count);
        if (count == 3) loop.quit();
    });
    std::raise(SIGINT);
    std::raise(SIGTERM);
    std::raise(SIGHUP);
    EXPECT_TRUE(counts.empty()) << "the handler itself does no work";

    QTimer::singleShot(10000, &loop, [&] { loop.exit(1); });  // a safety net, not a wait
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace ch
