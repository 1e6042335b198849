#include "netstat/c_ip_helper.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_interface_table.h"
#include "fake_ports.h"

namespace ch {
namespace {

using testing::FakeInterfaceTable;
using testing::RecordingMessages;

class CIpHelperTest : public ::testing::Test {
  protected:
    FakeInterfaceTable table;
    RecordingMessages messages;
    CIpHelper helper{table, messages};
};

TEST_F(CIpHelperTest, SumsAreZeroBeforeTheFirstQueryAndReadingThemNeverQueries) {
    table.SetReceived(500);
    EXPECT_EQ(helper.BytesReceived(), 0);
    EXPECT_EQ(helper.BytesSent(), 0);
    EXPECT_EQ(table.reads, 0);
}

TEST_F(CIpHelperTest, EmptyTableGivesEmptyCollectionZeroSumsAndNoMessage) {
    auto interfaces = helper.Interfaces();
    EXPECT_EQ(interfaces->Count(), 0);
    EXPECT_EQ(helper.BytesReceived(), 0);
    EXPECT_EQ(helper.BytesSent(), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THROW(interfaces->Item(1), std::out_of_range);
}

TEST_F(CIpHelperTest, LoopbackAloneMakesUpTheSums) {
    InterfaceRow lo = FakeInterfaceTable::Row(u"lo", 7000, 6500);
    lo.Type = 24;
    lo.OperStatus = 5;
    table.rows = {lo};
    auto interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces->Count(), 1);
    EXPECT_EQ(interfaces->Item(1)->InterfaceName, "lo");
    EXPECT_EQ(interfaces->Item(1)->InterfaceType, 24);
    EXPECT_EQ(helper.BytesReceived(), 7000);
    EXPECT_EQ(helper.BytesSent(), 6500);
}

TEST_F(CIpHelperTest, EveryRowCountsInTableOrderDownInterfacesIncluded) {
    InterfaceRow down = FakeInterfaceTable::Row(u"eth1", 20, 2);
    down.AdminStatus = 2;
    down.OperStatus = 2;
    table.rows = {FakeInterfaceTable::Row(u"lo", 100, 10), down,
                  FakeInterfaceTable::Row(u"wlan0", 3, 300)};
    auto interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces->Count(), 3);
    EXPECT_EQ(interfaces->Item(1)->InterfaceName, "lo");
    EXPECT_EQ(interfaces->Item(2)->InterfaceName, "eth1");
    EXPECT_EQ(interfaces->Item(3)->InterfaceName, "wlan0");
    EXPECT_EQ(helper.BytesReceived(), 123);
    EXPECT_EQ(helper.BytesSent(), 312);
    EXPECT_THROW(interfaces->Item(0), std::out_of_range);
    EXPECT_THROW(interfaces->Item(4), std::out_of_range);
}

TEST_F(CIpHelperTest, CounterOfTwoToThe31ReadsNegativeAndSubtractsFromTheSum) {
    table.rows = {FakeInterfaceTable::Row(u"eth0", 1000, 0),
                  FakeInterfaceTable::Row(u"eth1", 0x80000000u, 0xFFFFFFFFu)};
    auto interfaces = helper.Interfaces();
    EXPECT_EQ(interfaces->Item(2)->OctetsReceived, INT32_MIN);
    EXPECT_EQ(interfaces->Item(2)->OctetsSent, -1);
    EXPECT_EQ(helper.BytesReceived(), INT32_MIN + 1000);
    EXPECT_EQ(helper.BytesSent(), -1);
}

TEST_F(CIpHelperTest, AnAdditionThatWouldOverflowIsSkipped) {
    table.rows = {FakeInterfaceTable::Row(u"eth0", 0x70000000u, 0x7FFFFFF0u),
                  FakeInterfaceTable::Row(u"eth1", 0x20000000u, 0x10u),
                  FakeInterfaceTable::Row(u"eth2", 5, 0x0Fu)};
    helper.Interfaces();
    EXPECT_EQ(helper.BytesReceived(), 0x70000000 + 5);
    EXPECT_EQ(helper.BytesSent(), 0x7FFFFFFF);
}

TEST_F(CIpHelperTest, EveryQueryStartsItsSumsAfresh) {
    table.SetReceived(900);
    helper.Interfaces();
    helper.Interfaces();
    EXPECT_EQ(helper.BytesReceived(), 900);
    table.status = TableStatus::Failed;
    auto interfaces = helper.Interfaces();
    EXPECT_EQ(interfaces->Count(), 0);
    EXPECT_EQ(helper.BytesReceived(), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(table.reads, 3);
}

TEST_F(CIpHelperTest, EveryQueryOfAnUnsupportedTableSaysSoWithoutIcon) {
    table.status = TableStatus::NotSupported;
    for (int i = 0; i < 2; ++i) {
        auto interfaces = helper.Interfaces();
        EXPECT_EQ(interfaces->Count(), 0);
        EXPECT_EQ(helper.BytesReceived(), 0);
    }
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "IP Helper is not supported by this system.");
    EXPECT_EQ(messages.shown[0].title, "ClipHarvester");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(helper.LastStatus(), TableStatus::NotSupported);
}

TEST_F(CIpHelperTest, EachReadReplacesTheCollectionAndEarlierObjectsStayValid) {
    table.SetReceived(1);
    auto first = helper.Interfaces();
    auto kept = first->Item(1);
    table.SetReceived(2);
    auto second = helper.Interfaces();
    EXPECT_NE(first, second);
    EXPECT_EQ(kept->OctetsReceived, 1);
    EXPECT_EQ(second->Item(1)->OctetsReceived, 2);
}

TEST_F(CIpHelperTest, SettingTheCollectionDoesNotQuery) {
    auto stored = std::make_shared<CInterfaces>();
    helper.SetInterfaces(stored);
    EXPECT_EQ(table.reads, 0);
}

TEST_F(CIpHelperTest, EveryFieldOfTheRowBecomesItsProperty) {
    InterfaceRow row;
    row.Name = u"eth0";
    row.Index = 2;
    row.Type = 6;
    row.Mtu = 1500;
    row.Speed = 1000000000;
    row.PhysAddrLen = 6;
    row.PhysAddr = {0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F};
    row.AdminStatus = 1;
    row.OperStatus = 5;
    row.LastChange = 4200;
    row.InOctets = 11;
    row.InUcastPkts = 12;
    row.InNUcastPkts = 13;
    row.InDiscards = 14;
    row.InErrors = 15;
    row.InUnknownProtos = 16;
    row.OutOctets = 21;
    row.OutUcastPkts = 22;
    row.OutNUcastPkts = 23;
    row.OutDiscards = 24;
    row.OutErrors = 25;
    row.OutQLen = 26;
    row.Descr = "Ethernet adapter and trailing bytes";
    row.DescrLen = 16;
    table.rows = {row};
    const CInterface& got = *helper.Interfaces()->Item(1);
    EXPECT_EQ(got.InterfaceName, "eth0");
    EXPECT_EQ(got.InterfaceIndex, 2);
    EXPECT_EQ(got.InterfaceType, 6);
    EXPECT_EQ(got.MaximumTransmissionUnit, 1500);
    EXPECT_EQ(got.Speed, 1000000000);
    EXPECT_EQ(got.AdapterAddress, "00-C-29-A-B-1F");
    EXPECT_EQ(got.AdminStatus, 1);
    EXPECT_EQ(got.OperationalStatus, 5);
    EXPECT_EQ(got.LastChange, UptimeTicks(4200));
    EXPECT_EQ(got.OctetsReceived, 11);
    EXPECT_EQ(got.UnicastPacketsReceived, 12);
    EXPECT_EQ(got.NonunicastPacketsReceived, 13);
    EXPECT_EQ(got.DiscardedIncomingPackets, 14);
    EXPECT_EQ(got.IncomingErrors, 15);
    EXPECT_EQ(got.UnknownProtocolPackets, 16);
    EXPECT_EQ(got.OctetsSent, 21);
    EXPECT_EQ(got.UnicastPacketsSent, 22);
    EXPECT_EQ(got.NonunicastPacketsSent, 23);
    EXPECT_EQ(got.DiscardedOutgoingPackets, 24);
    EXPECT_EQ(got.OutgoingErrors, 25);
    EXPECT_EQ(got.OutputQueueLength, 26);
    EXPECT_EQ(got.InterfaceDescription, "Ethernet adapter");
}

TEST_F(CIpHelperTest, ANameThatCannotBeConvertedStaysEmptyAndTheRowStillCounts) {
    InterfaceRow broken = FakeInterfaceTable::Row(std::u16string(u"et") + char16_t(0xD800), 40, 4);
    broken.Mtu = 1500;
    table.rows = {broken};
    auto interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces->Count(), 1);
    EXPECT_EQ(interfaces->Item(1)->InterfaceName, "");
    EXPECT_EQ(interfaces->Item(1)->MaximumTransmissionUnit, 1500);
    EXPECT_EQ(helper.BytesReceived(), 40);
}

TEST(CInterfacesTest, AddAppendsAndEmptiesTheCallersHandle) {
    CInterfaces interfaces;
    auto objInterface = std::make_shared<CInterface>();
    objInterface->InterfaceName = "a";
    auto added = interfaces.Add(objInterface);
    EXPECT_EQ(objInterface, nullptr);
    EXPECT_EQ(added->InterfaceName, "a");
    EXPECT_EQ(interfaces.Item(1), added);
}

}  // namespace
}  // namespace ch
