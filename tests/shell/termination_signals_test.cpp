#include "shell/tray/termination_signals.h"

#include <gtest/gtest.h>

#include <QTest>
#include <csignal>

namespace ch {
namespace {

struct SignalCase {
    int number;
    const char* name;
};

class TerminationSignalsTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(TerminationSignalsTest, ArrivesAsACallOnTheEventLoopInsteadOfEndingTheProcess) {
    int calls = 0;
    TerminationSignals termination([&calls] { ++calls; });
    ASSERT_EQ(std::raise(GetParam().number), 0);
    // The handler only writes to the pipe; the call comes from the event loop.
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(QTest::qWaitFor([&calls] { return calls == 1; }));
    ASSERT_EQ(std::raise(GetParam().number), 0);
    ASSERT_TRUE(QTest::qWaitFor([&calls] { return calls == 2; }));
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignalsTest,
                         ::testing::Values(SignalCase{SIGTERM, "SIGTERM"},
                                           SignalCase{SIGHUP, "SIGHUP"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ch
