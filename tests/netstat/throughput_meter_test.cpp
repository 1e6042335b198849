#include "netstat/throughput_meter.h"

#include <gtest/gtest.h>

#include "fake_interface_table.h"
#include "fake_ports.h"

namespace ch {
namespace {

using testing::FakeInterfaceTable;

class ThroughputMeterTest : public ::testing::Test {
  protected:
    ThroughputMeterTest() { state.SearchWindowShown = true; }

    // One poll with the given received counter, then one sample.
    void Sample(std::uint32_t received) {
        table.SetReceived(received);
        meter.PollInterfaces();
        meter.SampleThroughput();
    }

    FakeInterfaceTable table;
    testing::RecordingMessages messages;
    RunState state;
    testing::RecordingView view;
    ThroughputMeter meter{table, messages, state, view};
};

// The received-byte difference over 128, toward zero, taken modulo 2^32; the first sample shows
// 0 whatever the counter; sent bytes do not count.
TEST_F(ThroughputMeterTest, DifferenceOver128TowardZero) {
    auto check = [this](const char* what, std::uint32_t before, std::uint32_t after, int kbps) {
        SCOPED_TRACE(what);
        ThroughputMeter fresh{table, messages, state, view};
        table.rows = {FakeInterfaceTable::Row(u"eth0", before, 5)};
        fresh.PollInterfaces();
        fresh.SampleThroughput();
        EXPECT_EQ(fresh.CurrentKbps, 0) << "a first sample";
        table.rows = {FakeInterfaceTable::Row(u"eth0", after, 900000)};
        fresh.PollInterfaces();
        fresh.SampleThroughput();
        EXPECT_EQ(fresh.CurrentKbps, kbps);
        EXPECT_EQ(view.panels[9], std::to_string(kbps) + " Kbps");
    };
    check("64,000 bytes", 1000, 65000, 500);
    check("127 bytes", 1000, 1127, 0);
    check("drop of 127", 1000, 873, 0);
    check("drop of 128", 1000, 872, -1);
    check("passing 2^31", 0x7FFFFF00u, 0x80000100u, 4);
    check("wrapping 2^32", 0xFFFFFF00u, 0x00000300u, 8);
    check("largest jump", 1, 0x80000000u, 16777215);
}

TEST_F(ThroughputMeterTest, ASampleUsesTheLastPollAndThePollKeepsItsFirstInterface) {
    EXPECT_EQ(meter.FirstInterface, nullptr);
    table.rows = {FakeInterfaceTable::Row(u"lo", 1000, 1), FakeInterfaceTable::Row(u"eth0", 2, 2)};
    meter.PollInterfaces();
    meter.SampleThroughput();
    ASSERT_NE(meter.FirstInterface, nullptr);
    EXPECT_EQ(meter.FirstInterface->InterfaceName, "lo");
    table.rows.clear();
    meter.SampleThroughput();
    EXPECT_EQ(meter.CurrentKbps, 0) << "no poll, no new sum";
    meter.PollInterfaces();
    EXPECT_EQ(meter.FirstInterface->InterfaceName, "lo") << "an empty table keeps the last one";
}

// Panel 9 is written only while the search window is shown; after a failed query the figure is 0
// and the next sample counts as a first one.
TEST_F(ThroughputMeterTest, HiddenWindowAndFailedQuery) {
    state.SearchWindowShown = false;
    Sample(1000000);
    Sample(1064000);
    EXPECT_TRUE(view.history.empty());
    EXPECT_EQ(meter.CurrentKbps, 500);
    state.SearchWindowShown = true;
    table.status = TableStatus::Failed;
    meter.PollInterfaces();
    meter.SampleThroughput();
    EXPECT_EQ(meter.CurrentKbps, 0);
    EXPECT_EQ(view.panels[9], "0 Kbps");
    table.status = TableStatus::Ok;
    Sample(5000000);
    EXPECT_EQ(meter.CurrentKbps, 0);
    Sample(5000000 + 12800);
    EXPECT_EQ(view.panels[9], "100 Kbps");
}

TEST_F(ThroughputMeterTest, UnsupportedTableIsReportedOnceAndTheFigureStaysZero) {
    table.status = TableStatus::NotSupported;
    // The message box runs its own event loop, in which the poll timer goes on firing.
    messages.whileOpen = [this] {
        meter.PollInterfaces();
        meter.SampleThroughput();
    };
    for (int i = 0; i < 50; ++i) {
        meter.PollInterfaces();
        meter.SampleThroughput();
    }
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(table.reads, 1);
    EXPECT_EQ(meter.CurrentKbps, 0);
    EXPECT_EQ(view.panels[9], "0 Kbps");
    ASSERT_NE(meter.FirstInterface, nullptr);
    EXPECT_EQ(meter.FirstInterface->InterfaceName, "");
}

}  // namespace
}  // namespace ch
