#include "platform/system/linux_interface_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "scratch_folder.h"

namespace ch {
namespace {

using Codes = std::vector<std::uint32_t>;

std::string CounterLine(const std::string& name, const std::string& rx = "1",
                        const std::string& tx = "1") {
    return "  " + name + ": " + rx + " 10 1 2 0 0 0 3 " + tx + " 20 4 5 0 0 0 0\n";
}

class LinuxInterfaceTableTest : public ::testing::Test {
  protected:
    // "name type flags operstate [speed [address]]"; attributes left out are not written.
    std::string Interface(const std::string& spec) {
        const std::string name = spec.substr(0, spec.find(' '));
        std::istringstream in("3 1500 1" + spec.substr(name.size()));
        for (const char* file :
             {"ifindex", "mtu", "carrier", "type", "flags", "operstate", "speed", "address"})
            if (std::string value; in >> value && value != "_")
                folder_.WriteAt(std::filesystem::path("net") / name / file, value + "\n");
        return name;
    }
    void Counters(const std::string& lines) {
        folder_.WriteAt("dev", "Inter-|   Receive  |  Transmit\n face |bytes packets\n" + lines);
    }
    std::vector<InterfaceRow> Rows(LinuxInterfaceTable& table) {
        std::vector<InterfaceRow> rows;
        EXPECT_EQ(table.Read(rows), TableStatus::Ok);
        return rows;
    }
    LinuxInterfaceTable Table(std::chrono::hours maxAge = {}) {
        return LinuxInterfaceTable(folder_.Path() / "dev", folder_.Path() / "net", maxAge);
    }

    testing::ScratchFolder folder_;
};

TEST_F(LinuxInterfaceTableTest, ReadsEveryInterfaceInOrderPastBadLinesAndMissingAttributes) {
    Interface("lo 772 0x9 unknown _ 00:00:00:00:00:00");
    Interface("eth0 1 0x1003 up 1000 00:0c:29:0a:0b:1f");
    std::string lines = CounterLine("lo", "700", "700") + CounterLine("eth0", "4294967301", "654");
    for (const char* spec :
         {"wl0 1 0x1003 dormant 54", "down0 1 0x1002 down -1", "fast0 1 0x1003 up 100000",
          "ppp0 512 0x1090 unknown", "gone0 776 0x0 notpresent"})
        lines += CounterLine(Interface(spec));
    std::filesystem::remove(folder_.Path() / "net/ppp0/carrier");
    lines += "garbage without colon\n  bad: 1 2 x\n" + CounterLine("ghost", "9", "9");
    for (int i = 0; i < 300; ++i) lines += CounterLine("veth" + std::to_string(i));
    Counters(lines);
    auto table = Table();
    const auto rows = Rows(table);
    ASSERT_EQ(rows.size(), 308u);
    EXPECT_EQ((Codes{rows[7].InOctets, rows[7].AdminStatus}), (Codes{9, 2}));
    EXPECT_EQ(rows[7].Name + rows.back().Name, u"ghostveth299");
    const InterfaceRow& eth = rows[1];
    EXPECT_EQ(std::string(eth.Descr, 0, eth.DescrLen), "eth0");
    EXPECT_EQ(eth.PhysAddr, (std::array<std::uint8_t, 8>{0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F}));
    // The address length; counters cut to 32 bits; unicast packets are packets less multicast.
    EXPECT_EQ((Codes{eth.PhysAddrLen, eth.InOctets, eth.InUcastPkts, eth.InNUcastPkts, eth.InErrors,
                     eth.OutOctets, eth.OutDiscards}),
              (Codes{6, 5, 7, 3, 1, 654, 5}));
    // Type, admin status, oper status and speed in bits per second, row by row.
    const Codes codes[] = {{24, 1, 5, 0}, {6, 1, 5, 1000000000},  {6, 1, 3, 54000000},
                           {6, 2, 2, 0},  {6, 1, 5, 4294967295u}, {23, 2, 0, 0},
                           {131, 2, 2, 0}};
    for (size_t i = 0; i < std::size(codes); ++i)
        EXPECT_EQ((Codes{rows[i].Type, rows[i].AdminStatus, rows[i].OperStatus, rows[i].Speed}),
                  codes[i])
            << i;
}

// Counters are read on every call; attributes are kept until the interfaces change or they age.
TEST_F(LinuxInterfaceTableTest, CountersAreFreshAttributesCachedUntilTheSetChanges) {
    Interface("eth0 1 0x1003 up");
    Counters(CounterLine("eth0"));
    auto kept = Table(std::chrono::hours(1));
    auto fresh = Table();
    Rows(kept);
    folder_.WriteAt("net/eth0/mtu", "9000\n");
    Counters(CounterLine("eth0", "2147483648"));
    EXPECT_EQ((Codes{Rows(kept)[0].Mtu, Rows(kept)[0].InOctets}), (Codes{1500, 2147483648u}));
    EXPECT_EQ(Rows(fresh)[0].Mtu, 9000u);
    Interface("eth1 1 0x1003 up");
    Counters(CounterLine("eth0") + CounterLine("eth1"));
    EXPECT_EQ(Rows(kept).at(0).Mtu, 9000u);
}

TEST_F(LinuxInterfaceTableTest, WithoutTheCounterFileTheTableIsNotSupported) {
    LinuxInterfaceTable table(folder_.Path() / "missing", folder_.Path() / "net");
    std::vector<InterfaceRow> rows(3);
    EXPECT_TRUE(table.Read(rows) == TableStatus::NotSupported && rows.empty());
}

}  // namespace
}  // namespace ch
