#include "netstat/c_ip_helper.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_interface_table.h"
#include "fake_ports.h"

namespace ch {
namespace {

using testing::FakeInterfaceTable;

class CIpHelperTest : public ::testing::Test {
  protected:
    FakeInterfaceTable table;
    testing::RecordingMessages messages;
    CIpHelper helper{table, messages};
};

InterfaceRow Down(InterfaceRow row) {
    row.AdminStatus = row.OperStatus = 2;
    return row;
}

// Every row counts, in table order, down interfaces and unconvertible names included; counters
// are signed 32-bit, and an addition that would overflow the sum is skipped.
TEST_F(CIpHelperTest, EveryRowCountsIntoSignedSums) {
    auto check = [this](const char* what, const std::vector<InterfaceRow>& rows,
                        const std::vector<std::string>& names, std::int32_t received,
                        std::int32_t sent) {
        SCOPED_TRACE(what);
        table.rows = rows;
        const auto interfaces = helper.Interfaces();
        std::vector<std::string> got;
        for (int i = 1; i <= interfaces->Count(); ++i)
            got.push_back(interfaces->Item(i)->InterfaceName);
        EXPECT_EQ(got, names);
        EXPECT_THROW(interfaces->Item(0), std::out_of_range);
        EXPECT_THROW(interfaces->Item(interfaces->Count() + 1), std::out_of_range);
        EXPECT_EQ(helper.BytesReceived(), received);
        EXPECT_EQ(helper.BytesSent(), sent);
    };
    const auto Row = FakeInterfaceTable::Row;
    check("empty table", {}, {}, 0, 0);
    check("loopback alone", {Row(u"lo", 7000, 6500)}, {"lo"}, 7000, 6500);
    check("a down interface", {Row(u"lo", 100, 10), Down(Row(u"eth1", 20, 2)), Row(u"w", 3, 300)},
          {"lo", "eth1", "w"}, 123, 312);
    check("2^31 reads negative", {Row(u"a", 1000, 0), Row(u"b", 0x80000000u, 0xFFFFFFFFu)},
          {"a", "b"}, INT32_MIN + 1000, -1);
    check("an overflowing addition is skipped",
          {Row(u"a", 0x70000000u, 0x7FFFFFF0u), Row(u"b", 0x20000000u, 0x10u), Row(u"c", 5, 0xF)},
          {"a", "b", "c"}, 0x70000005, 0x7FFFFFFF);
    check("a name that cannot be converted", {Row(u"et\xD800", 40, 4)}, {""}, 40, 4);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CIpHelperTest, AFailedQueryGivesZeroSumsWithoutAMessage) {
    table.SetReceived(900);
    EXPECT_EQ(helper.BytesReceived(), 0) << "reading the sums never queries";
    helper.Interfaces();
    table.status = TableStatus::Failed;
    EXPECT_EQ(helper.Interfaces()->Count(), 0);
    EXPECT_EQ(helper.BytesReceived(), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(table.reads, 2);
}

TEST_F(CIpHelperTest, EveryQueryOfAnUnsupportedTableSaysSoWithoutIcon) {
    table.status = TableStatus::NotSupported;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(helper.Interfaces()->Count(), 0);
        EXPECT_EQ(helper.BytesReceived(), 0);
    }
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "IP Helper is not supported by this system.");
    EXPECT_EQ(messages.shown[0].title, "ClipHarvester");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
}

TEST(CInterfacesTest, AddAppendsAndEmptiesTheCallersHandle) {
    CInterfaces interfaces;
    auto objInterface = std::make_shared<CInterface>();
    const auto added = interfaces.Add(objInterface);
    EXPECT_EQ(objInterface, nullptr);
    EXPECT_EQ(interfaces.Item(1), added);
}

}  // namespace
}  // namespace ch
