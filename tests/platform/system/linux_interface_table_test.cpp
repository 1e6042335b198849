#include "platform/system/linux_interface_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scratch_folder.h"

namespace ch {
namespace {

std::string CounterLine(const std::string& name, const std::string& rxBytes,
                        const std::string& txBytes) {
    return "  " + name + ": " + rxBytes + " 10 1 2 0 0 0 3 " + txBytes + " 20 4 5 0 0 0 0\n";
}

class LinuxInterfaceTableTest : public ::testing::Test {
  protected:
    void Interface(const std::string& name, const std::string& type, const std::string& flags,
                   const std::string& operstate, const std::string& address = "",
                   const std::string& speed = "") {
        const std::filesystem::path at = std::filesystem::path("net") / name;
        for (const auto& [file, text] : {std::pair<const char*, std::string>{"ifindex", "3"},
                                         {"type", type},
                                         {"mtu", "1500"},
                                         {"flags", flags},
                                         {"operstate", operstate},
                                         {"address", address},
                                         {"carrier", "1"}})
            folder_.WriteAt(at / file, text + "\n");
        if (!speed.empty()) folder_.WriteAt(at / "speed", speed + "\n");
    }
    void Counters(const std::string& lines) {
        folder_.WriteAt("dev",
                        "Inter-|   Receive  |  Transmit\n face |bytes packets ...\n" + lines);
    }
    LinuxInterfaceTable Table(std::chrono::steady_clock::duration maxAge = {}) {
        return LinuxInterfaceTable(folder_.Path() / "dev", folder_.Path() / "net", maxAge);
    }
    std::vector<InterfaceRow> Rows(LinuxInterfaceTable& table) {
        std::vector<InterfaceRow> rows;
        EXPECT_EQ(table.Read(rows), TableStatus::Ok);
        return rows;
    }

    testing::ScratchFolder folder_;
};

TEST_F(LinuxInterfaceTableTest, ReadsEveryInterfaceInFileOrderLoopbackIncluded) {
    Interface("lo", "772", "0x9", "unknown", "00:00:00:00:00:00");
    Interface("eth0", "1", "0x1003", "up", "00:0c:29:0a:0b:1f", "1000");
    Counters(CounterLine("lo", "700", "700") + CounterLine("eth0", "123456", "654"));
    auto table = Table();
    const auto rows = Rows(table);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Name, u"lo");
    EXPECT_EQ(rows[0].Type, 24u);
    EXPECT_EQ(rows[0].InOctets, 700u);

    const InterfaceRow& eth = rows[1];
    EXPECT_EQ(std::string(eth.Descr, 0, eth.DescrLen), "eth0");
    EXPECT_EQ(eth.Speed, 1000000000u);
    EXPECT_EQ(eth.OperStatus, 5u);
    const std::array<std::uint8_t, 6> address{0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F};
    EXPECT_EQ(eth.PhysAddrLen, 6u);
    EXPECT_TRUE(std::equal(address.begin(), address.end(), eth.PhysAddr.begin()));
    // Receive and transmit columns land in their own fields.
    EXPECT_EQ(eth.InOctets, 123456u);
    EXPECT_EQ(eth.InUcastPkts, 7u);  // packets less multicast
    EXPECT_EQ(eth.InNUcastPkts, 3u);
    EXPECT_EQ(eth.InErrors, 1u);
    EXPECT_EQ(eth.OutOctets, 654u);
    EXPECT_EQ(eth.OutDiscards, 5u);
}

TEST_F(LinuxInterfaceTableTest, CountersAreCutTo32BitsAndReReadOnEveryCall) {
    Interface("eth0", "1", "0x1003", "up");
    Counters(CounterLine("eth0", "4294967301", "8589934592"));
    auto table = Table(std::chrono::hours(1));
    EXPECT_EQ(Rows(table)[0].InOctets, 5u);
    EXPECT_EQ(Rows(table)[0].OutOctets, 0u);
    Counters(CounterLine("eth0", "2147483648", "1"));
    EXPECT_EQ(Rows(table)[0].InOctets, 2147483648u);
}

TEST_F(LinuxInterfaceTableTest, StatusAndSpeedTakeThePlatformCodes) {
    struct Case {
        const char *name, *type, *flags, *operstate, *speed;
        std::uint32_t tableType, admin, oper, bits;
    };
    const Case cases[] = {
        {"wl0", "1", "0x1003", "dormant", "54", 6, 1, 3, 54000000},
        {"down0", "1", "0x1002", "down", "-1", 6, 2, 2, 0},
        {"fast0", "1", "0x1003", "up", "100000", 6, 1, 5, 4294967295u},
        {"ppp0", "512", "0x1090", "unknown", "", 23, 2, 0, 0},
        {"gone0", "776", "0x0", "notpresent", "", 131, 2, 2, 0},
    };
    std::string lines;
    for (const auto& c : cases) {
        Interface(c.name, c.type, c.flags, c.operstate, "", c.speed);
        lines += CounterLine(c.name, "1", "1");
    }
    std::filesystem::remove(folder_.Path() / "net/ppp0/carrier");
    Counters(lines);
    auto table = Table();
    const auto rows = Rows(table);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(rows[i].Type, cases[i].tableType);
        EXPECT_EQ(rows[i].AdminStatus, cases[i].admin);
        EXPECT_EQ(rows[i].OperStatus, cases[i].oper);
        EXPECT_EQ(rows[i].Speed, cases[i].bits);
    }
}

TEST_F(LinuxInterfaceTableTest, MalformedLinesAndMissingAttributesDoNotBreakALongTable) {
    std::string lines = "garbage without colon\n  bad: 1 2 x\n" + CounterLine("ghost", "9", "9");
    for (int i = 0; i < 300; ++i) lines += CounterLine("veth" + std::to_string(i), "1", "1");
    Counters(lines);
    auto table = Table();
    const auto rows = Rows(table);
    ASSERT_EQ(rows.size(), 301u);
    EXPECT_EQ(rows[0].Name, u"ghost");
    EXPECT_EQ(rows[0].InOctets, 9u);
    EXPECT_EQ(rows[0].AdminStatus, 2u);
    EXPECT_EQ(rows.back().Name, u"veth299");
}

TEST_F(LinuxInterfaceTableTest, AttributesAreKeptUntilTheInterfacesChangeOrTheyAge) {
    Interface("eth0", "1", "0x1003", "up");
    Counters(CounterLine("eth0", "1", "1"));
    auto kept = Table(std::chrono::hours(1));
    auto fresh = Table();
    Rows(kept);
    folder_.WriteAt("net/eth0/mtu", "9000\n");
    EXPECT_EQ(Rows(kept)[0].Mtu, 1500u);
    EXPECT_EQ(Rows(fresh)[0].Mtu, 9000u);

    Interface("eth1", "1", "0x1003", "up");
    Counters(CounterLine("eth0", "1", "1") + CounterLine("eth1", "1", "1"));
    const auto rows = Rows(kept);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Mtu, 9000u);
}

TEST_F(LinuxInterfaceTableTest, WithoutTheCounterFileTheTableIsNotSupported) {
    LinuxInterfaceTable table(folder_.Path() / "missing", folder_.Path() / "net");
    std::vector<InterfaceRow> rows(3);
    EXPECT_EQ(table.Read(rows), TableStatus::NotSupported);
    EXPECT_TRUE(rows.empty());
}

TEST(LinuxInterfaceTableOnThisMachine, FindsTheLoopbackInterface) {
    LinuxInterfaceTable table;
    std::vector<InterfaceRow> rows;
    ASSERT_EQ(table.Read(rows), TableStatus::Ok);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const InterfaceRow& row) {
        return row.Name == u"lo" && row.Type == 24u;
    }));
}

}  // namespace
}  // namespace ch
