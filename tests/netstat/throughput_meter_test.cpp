#include "netstat/throughput_meter.h"

#include <gtest/gtest.h>

#include "fake_interface_table.h"
#include "fake_ports.h"

namespace ch {
namespace {

using testing::FakeInterfaceTable;
using testing::RecordingMessages;
using testing::RecordingView;

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
    RecordingMessages messages;
    RunState state;
    RecordingView view;
    ThroughputMeter meter{table, messages, state, view};
};

TEST_F(ThroughputMeterTest, FirstSampleShowsZeroWhateverTheCounter) {
    Sample(123456789);
    EXPECT_EQ(meter.CurrentKbps, 0);
    EXPECT_EQ(meter.LastBytesReceived, 123456789);
    EXPECT_EQ(view.panels[9], "0 Kbps");
}

struct DeltaCase {
    const char* what;
    std::uint32_t before;
    std::uint32_t after;
    int kbps;
    const char* panel;
};

class ThroughputDeltaTest : public ThroughputMeterTest,
                            public ::testing::WithParamInterface<DeltaCase> {};

TEST_P(ThroughputDeltaTest, DifferenceOver128TowardZero) {
    Sample(GetParam().before);
    Sample(GetParam().after);
    EXPECT_EQ(meter.CurrentKbps, GetParam().kbps) << GetParam().what;
    EXPECT_EQ(view.panels[9], GetParam().panel) << GetParam().what;
    EXPECT_EQ(meter.LastBytesReceived, static_cast<std::int32_t>(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(
    Deltas, ThroughputDeltaTest,
    ::testing::Values(DeltaCase{"64,000 bytes", 1000, 65000, 500, "500 Kbps"},
                      DeltaCase{"127 bytes", 1000, 1127, 0, "0 Kbps"},
                      DeltaCase{"no traffic", 1000, 1000, 0, "0 Kbps"},
                      DeltaCase{"drop of 127", 1000, 873, 0, "0 Kbps"},
                      DeltaCase{"drop of 128", 1000, 872, -1, "-1 Kbps"},
                      DeltaCase{"passing 2^31", 0x7FFFFF00u, 0x80000100u, 4, "4 Kbps"},
                      DeltaCase{"wrapping 2^32", 0xFFFFFF00u, 0x00000300u, 8, "8 Kbps"},
                      DeltaCase{"largest jump", 1, 0x80000000u, 16777215, "16777215 Kbps"}));

TEST_F(ThroughputMeterTest, SentTrafficDoesNotMoveTheFigure) {
    table.rows = {FakeInterfaceTable::Row(u"eth0", 5000, 1000)};
    meter.PollInterfaces();
    meter.SampleThroughput();
    table.rows = {FakeInterfaceTable::Row(u"eth0", 5000, 900000)};
    meter.PollInterfaces();
    meter.SampleThroughput();
    EXPECT_EQ(meter.CurrentKbps, 0);
}

TEST_F(ThroughputMeterTest, HiddenWindowLeavesPanelNineAloneButTheFigureIsKept) {
    state.SearchWindowShown = false;
    Sample(1000);
    Sample(65000);
    EXPECT_TRUE(view.history.empty());
    EXPECT_EQ(meter.CurrentKbps, 500);
    state.SearchWindowShown = true;
    Sample(65000 + 12800);
    EXPECT_EQ(view.panels[9], "100 Kbps");
}

TEST_F(ThroughputMeterTest, SampleWithoutAPollReusesTheLastSum) {
    Sample(1000);
    table.SetReceived(999999);
    meter.SampleThroughput();
    EXPECT_EQ(meter.CurrentKbps, 0);
    EXPECT_EQ(table.reads, 1);
}

TEST_F(ThroughputMeterTest, FailedQueryShowsZeroAndTheNextSampleCountsAsFirst) {
    Sample(1000000);
    Sample(1064000);
    ASSERT_EQ(meter.CurrentKbps, 500);
    table.status = TableStatus::Failed;
    meter.PollInterfaces();
    meter.SampleThroughput();
    EXPECT_EQ(meter.CurrentKbps, 0);
    EXPECT_EQ(view.panels[9], "0 Kbps");
    table.status = TableStatus::Ok;
    Sample(5000000);
    EXPECT_EQ(meter.CurrentKbps, 0);
    Sample(5000000 + 1280);
    EXPECT_EQ(meter.CurrentKbps, 10);
}

TEST_F(ThroughputMeterTest, PollKeepsTheFirstInterfaceOfTheLatestQuery) {
    EXPECT_EQ(meter.FirstInterface, nullptr);
    table.rows = {FakeInterfaceTable::Row(u"lo", 1, 1), FakeInterfaceTable::Row(u"eth0", 2, 2)};
    meter.PollInterfaces();
    ASSERT_NE(meter.FirstInterface, nullptr);
    EXPECT_EQ(meter.FirstInterface->InterfaceName, "lo");
    table.rows.clear();
    meter.PollInterfaces();
    EXPECT_EQ(meter.FirstInterface->InterfaceName, "lo");
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
