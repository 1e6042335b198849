#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_interface_table.h"
#include "fake_ports.h"
#include "netstat/network_watch.h"
#include "netstat/throughput_meter.h"

namespace ch {
namespace {

using Counters = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

class NetstatTest : public ::testing::Test {
  protected:
    NetstatTest() { state.SearchWindowShown = true; }
    // One poll with a single interface whose received counter is given, then one sample.
    void Sample(std::uint32_t received) {
        table.Set({{received, 0}});
        meter.PollInterfaces();
        meter.SampleThroughput();
    }

    testing::FakeInterfaceTable table;
    testing::RecordingMessages messages;
    RunState state;
    testing::RecordingView view;
    ThroughputMeter meter{table, messages, state, view};
    CIpHelper& helper = meter.IpHelper;
};

// The platform's unsigned counters are summed as signed 32-bit values over every row; an
// addition that would leave the range is skipped.
TEST_F(NetstatTest, EveryRowCountsIntoSignedSums) {
    const struct {
        Counters rows;
        std::int32_t received, sent;
    } cases[] = {
        {{}, 0, 0},
        {{{1000, 0}, {0x80000000u, 0xFFFFFFFFu}}, INT32_MIN + 1000, -1},
        {{{0x70000000u, 0x7FFFFFF0u}, {0x20000000u, 0x10u}, {5, 0xF}}, 0x70000005, 0x7FFFFFFF},
    };
    for (const auto& c : cases) {
        table.Set(c.rows);
        const auto interfaces = helper.Interfaces();
        EXPECT_EQ(interfaces->Count(), static_cast<int>(c.rows.size()));
        EXPECT_THROW(interfaces->Item(interfaces->Count() + 1), std::out_of_range);
        EXPECT_EQ(std::pair(helper.BytesReceived(), helper.BytesSent()),
                  std::pair(c.received, c.sent));
    }
}

// The received difference over 128, toward zero, modulo 2^32; a first sample shows 0.
TEST_F(NetstatTest, ThroughputIsTheDifferenceOver128ModuloTwoToThe32) {
    const struct {
        std::uint32_t before, after;
        int kbps;
    } cases[] = {{1000, 65000, 500}, {1000, 1127, 0},          {1000, 873, 0},
                 {1000, 872, -1},    {0xFFFFFF00u, 0x300u, 8}, {1, 0x80000000u, 16777215}};
    for (const auto& c : cases) {
        ThroughputMeter fresh{table, messages, state, view};
        for (const std::uint32_t received : {c.before, c.after}) {
            EXPECT_EQ(fresh.CurrentKbps, 0) << c.before;
            table.Set({{received, 900000}});
            fresh.PollInterfaces();
            fresh.SampleThroughput();
        }
        EXPECT_EQ(view.panels[9], std::to_string(c.kbps) + " Kbps") << c.before;
    }
}

// The panel is written only while the window is shown; a failed query reads 0 and the next
// sample counts as a first one. Neither says anything to the user.
TEST_F(NetstatTest, HiddenWindowAndFailedQuery) {
    state.SearchWindowShown = false;
    Sample(1000000);
    Sample(1064000);
    EXPECT_TRUE(view.history.empty());
    EXPECT_EQ(meter.CurrentKbps, 500);
    state.SearchWindowShown = true;
    table.status = TableStatus::Failed;
    meter.PollInterfaces();
    meter.SampleThroughput();
    EXPECT_EQ(view.panels[9], "0 Kbps");
    table.status = TableStatus::Ok;
    Sample(5000000);
    EXPECT_EQ(meter.CurrentKbps, 0);
    Sample(5000000 + 12800);
    EXPECT_EQ(view.panels[9], "100 Kbps");
    EXPECT_TRUE(messages.shown.empty());
}

// Every query of a missing table says so; the meter asks once, though the poll timer goes on
// firing inside the message box's own event loop.
TEST_F(NetstatTest, AnUnsupportedTableIsReportedOnceByTheMeter) {
    table.status = TableStatus::NotSupported;
    helper.Interfaces();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "IP Helper is not supported by this system.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    messages.shown.clear();
    table.reads = 0;
    messages.whileOpen = [this] { Sample(1000); };
    for (int i = 0; i < 50; ++i) Sample(1000);
    EXPECT_EQ(std::pair(messages.shown.size(), table.reads), std::pair(size_t{1}, 1));
    EXPECT_EQ(view.panels[9], "0 Kbps");
}

// Sampling paused while nobody could see the figure: Resume reads the table once and writes
// nothing, and the first figure after it covers only the time since; a failed read there leaves
// the next sample a first one. Each sample reads the table once, just before it.
TEST_F(NetstatTest, ResumeAfterAPauseStartsFromAFreshReading) {
    const struct {
        TableStatus resumed;
        std::string figure;
    } cases[] = {{TableStatus::Ok, "500 Kbps"}, {TableStatus::Failed, "0 Kbps"}};
    for (const auto& c : cases) {
        ThroughputMeter fresh{table, messages, state, view};
        view.history.clear();
        table.reads = 0;
        table.Set({{1000, 0}});
        fresh.Tick();
        table.Set({{90000000, 0}});  // received during the pause
        table.status = c.resumed;
        fresh.Resume();
        table.status = TableStatus::Ok;
        table.Set({{90000000 + 64000, 0}});
        fresh.Tick();
        EXPECT_EQ(table.reads, 3);
        EXPECT_EQ(view.history,
                  (std::vector<std::pair<int, std::string>>{{9, "0 Kbps"}, {9, c.figure}}));
    }
}

class FixedStatus : public NetworkStatus {
  public:
    bool alive = true;
    bool IsNetworkAlive() override { return alive; }
};

// Only a loss during a run stops it as lost; a live network leaves a stop the user asked for.
TEST(NetworkWatch, OnlyALossDuringARunStopsIt) {
    const struct {
        bool alive, running, userStop, stops, lost;
    } cases[] = {{false, true, false, true, true},
                 {false, false, false, false, false},
                 {true, true, false, false, false},
                 {true, true, true, true, false}};
    for (const auto& c : cases) {
        RunState state;
        state.EngineRunning = c.running;
        state.StopRequested = c.userStop;
        FixedStatus status;
        status.alive = c.alive;
        WatchNetwork(state, status);
        EXPECT_EQ(std::pair(state.StopRequested, state.NetworkLost), std::pair(c.stops, c.lost));
    }
}

}  // namespace
}  // namespace ch
