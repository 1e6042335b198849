#include "platform/system/linux_interface_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "temp_folder.h"

namespace ch {
namespace {

using testing::TempFolder;

constexpr const char* kHeading =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs "
    "drop fifo colls carrier compressed\n";

std::string CounterLine(const std::string& name, const std::string& rxBytes,
                        const std::string& txBytes) {
    return "  " + name + ": " + rxBytes + " 10 1 2 0 0 0 3 " + txBytes + " 20 4 5 0 0 0 0\n";
}

class LinuxInterfaceTableTest : public ::testing::Test {
  protected:
    void Interface(const std::string& name, const std::string& type, const std::string& flags,
                   const std::string& operstate, const std::string& address,
                   const std::string& speed) {
        const std::filesystem::path folder = std::filesystem::path("net") / name;
        folder_.Write(folder / "ifindex", "3\n");
        folder_.Write(folder / "type", type + "\n");
        folder_.Write(folder / "mtu", "1500\n");
        folder_.Write(folder / "flags", flags + "\n");
        folder_.Write(folder / "operstate", operstate + "\n");
        folder_.Write(folder / "address", address + "\n");
        folder_.Write(folder / "addr_len", "6\n");
        folder_.Write(folder / "carrier", "1\n");
        if (!speed.empty()) folder_.Write(folder / "speed", speed + "\n");
    }
    void Counters(const std::string& lines) { folder_.Write("dev", kHeading + lines); }
    LinuxInterfaceTable Table(
        std::chrono::steady_clock::duration maxAge = std::chrono::steady_clock::duration::zero()) {
        return LinuxInterfaceTable(folder_.path() / "dev", folder_.path() / "net", maxAge);
    }

    TempFolder folder_;
};

TEST_F(LinuxInterfaceTableTest, ReadsEveryInterfaceInFileOrderLoopbackIncluded) {
    Interface("lo", "772", "0x9", "unknown", "00:00:00:00:00:00", "");
    Interface("eth0", "1", "0x1003", "up", "00:0c:29:0a:0b:1f", "1000");
    Counters(CounterLine("lo", "700", "700") + CounterLine("eth0", "123456", "654"));
    auto table = Table();
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Name, u"lo");
    EXPECT_EQ(rows[0].Type, 24u);
    EXPECT_EQ(rows[0].AdminStatus, 1u);
    EXPECT_EQ(rows[0].InOctets, 700u);
    EXPECT_EQ(rows[0].Speed, 0u);

    const InterfaceRow& eth = rows[1];
    EXPECT_EQ(eth.Name, u"eth0");
    EXPECT_EQ(std::string(eth.Descr, 0, eth.DescrLen), "eth0");
    EXPECT_EQ(eth.Index, 3u);
    EXPECT_EQ(eth.Type, 6u);
    EXPECT_EQ(eth.Mtu, 1500u);
    EXPECT_EQ(eth.Speed, 1000000000u);
    EXPECT_EQ(eth.AdminStatus, 1u);
    EXPECT_EQ(eth.OperStatus, 5u);
    EXPECT_EQ(eth.PhysAddrLen, 6u);
    const std::array<std::uint8_t, 6> expected{0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), eth.PhysAddr.begin()));
    EXPECT_EQ(eth.InOctets, 123456u);
    EXPECT_EQ(eth.InUcastPkts, 7u);
    EXPECT_EQ(eth.InNUcastPkts, 3u);
    EXPECT_EQ(eth.InErrors, 1u);
    EXPECT_EQ(eth.InDiscards, 2u);
    EXPECT_EQ(eth.OutOctets, 654u);
    EXPECT_EQ(eth.OutUcastPkts, 20u);
    EXPECT_EQ(eth.OutErrors, 4u);
    EXPECT_EQ(eth.OutDiscards, 5u);
}

TEST_F(LinuxInterfaceTableTest, CountersAreCutTo32BitsAndReReadOnEveryCall) {
    Interface("eth0", "1", "0x1003", "up", "52:54:00:12:34:56", "");
    Counters(CounterLine("eth0", "4294967301", "8589934592"));
    auto table = Table(std::chrono::hours(1));
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    EXPECT_EQ(rows[0].InOctets, 5u);
    EXPECT_EQ(rows[0].OutOctets, 0u);
    Counters(CounterLine("eth0", "2147483648", "1"));
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    EXPECT_EQ(rows[0].InOctets, 2147483648u);
    EXPECT_EQ(rows[0].OutOctets, 1u);
}

TEST_F(LinuxInterfaceTableTest, StatusAndSpeedTakeThePlatformCodes) {
    struct Case {
        const char* name;
        const char* type;
        const char* flags;
        const char* operstate;
        const char* speed;
        std::uint32_t tableType, admin, oper, bits;
    };
    const Case cases[] = {
        {"wl0", "1", "0x1003", "dormant", "54", 6, 1, 3, 54000000},
        {"down0", "1", "0x1002", "down", "-1", 6, 2, 2, 0},
        {"fast0", "1", "0x1003", "up", "100000", 6, 1, 5, 4294967295u},
        {"tun0", "65534", "0x10d1", "unknown", "", 1, 1, 5, 0},
        {"ppp0", "512", "0x1090", "unknown", "", 23, 2, 0, 0},
        {"gone0", "776", "0x0", "notpresent", "", 131, 2, 2, 0},
    };
    std::string lines;
    for (const auto& c : cases) {
        Interface(c.name, c.type, c.flags, c.operstate, "", c.speed);
        lines += CounterLine(c.name, "1", "1");
    }
    std::filesystem::remove(folder_.path() / "net/ppp0/carrier");
    Counters(lines);
    auto table = Table();
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(rows[i].Type, cases[i].tableType);
        EXPECT_EQ(rows[i].AdminStatus, cases[i].admin);
        EXPECT_EQ(rows[i].OperStatus, cases[i].oper);
        EXPECT_EQ(rows[i].Speed, cases[i].bits);
        EXPECT_EQ(rows[i].PhysAddrLen, 0u);
    }
}

TEST_F(LinuxInterfaceTableTest, MalformedLinesAndMissingAttributesDoNotBreakTheTable) {
    Counters("garbage without colon\n  bad: 1 2 x\n" + CounterLine("ghost", "9", "9"));
    auto table = Table();
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Name, u"ghost");
    EXPECT_EQ(rows[0].InOctets, 9u);
    EXPECT_EQ(rows[0].Mtu, 0u);
    EXPECT_EQ(rows[0].AdminStatus, 2u);
}

TEST_F(LinuxInterfaceTableTest, AttributesAreKeptUntilTheInterfacesChangeOrTheyAge) {
    Interface("eth0", "1", "0x1003", "up", "", "");
    Counters(CounterLine("eth0", "1", "1"));
    auto kept = Table(std::chrono::hours(1));
    auto fresh = Table();
    std::vector<InterfaceRow> rows;
    kept.Read(rows);
    folder_.Write("net/eth0/mtu", "9000\n");
    kept.Read(rows);
    EXPECT_EQ(rows[0].Mtu, 1500u);
    fresh.Read(rows);
    EXPECT_EQ(rows[0].Mtu, 9000u);

    Interface("eth1", "1", "0x1003", "up", "", "");
    Counters(CounterLine("eth0", "1", "1") + CounterLine("eth1", "1", "1"));
    kept.Read(rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Mtu, 9000u);
}

TEST_F(LinuxInterfaceTableTest, LongTableIsReadWhole) {
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += CounterLine("veth" + std::to_string(i), "1", "1");
    Counters(lines);
    auto table = Table();
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    EXPECT_EQ(rows.size(), 300u);
    EXPECT_EQ(rows.back().Name, u"veth299");
}

TEST_F(LinuxInterfaceTableTest, WithoutTheCounterFileTheTableIsNotSupported) {
    LinuxInterfaceTable table(folder_.path() / "missing", folder_.path() / "net");
    std::vector<InterfaceRow> rows(3);
    EXPECT_EQ(table.Read(rows), TableStatus::NotSupported);
    EXPECT_TRUE(rows.empty());
}

TEST(LinuxInterfaceTableOnThisMachine, FindsTheLoopbackInterface) {
    LinuxInterfaceTable table;
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    const auto lo = std::find_if(rows.begin(), rows.end(),
                                 [](const InterfaceRow& row) { return row.Name == u"lo"; });
    ASSERT_NE(lo, rows.end());
    EXPECT_EQ(lo->Type, 24u);
    EXPECT_GT(lo->Mtu, 0u);
}

}  // namespace
}  // namespace ch
