#include "netstat/interface_row_conversion.h"

#include <gtest/gtest.h>

#include <tuple>

namespace ch {
namespace {

TEST(InterfaceRowConversion, EveryFieldBecomesItsProperty) {
    // Every field in declaration order, each with a value of its own.
    // clang-format off
    const InterfaceRow row{u"eth0", 2, 6, 1500, 1000000000, 6, {0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F},
                           1, 5, 4200, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26, 16,
                           "Ethernet adapter and trailing bytes"};
    // clang-format on
    CInterface got;
    CopyInterfaceRow(row, got);
    EXPECT_EQ(std::tie(got.InterfaceName, got.AdapterAddress, got.InterfaceDescription),
              std::make_tuple("eth0", "00-C-29-A-B-1F", "Ethernet adapter"));
    EXPECT_EQ(std::tie(got.InterfaceIndex, got.InterfaceType, got.MaximumTransmissionUnit,
                       got.Speed, got.AdminStatus, got.OperationalStatus),
              std::make_tuple(2, 6, 1500, 1000000000, 1, 5));
    EXPECT_EQ(got.LastChange, UptimeTicks(4200));
    EXPECT_EQ(
        std::tie(got.OctetsReceived, got.UnicastPacketsReceived, got.NonunicastPacketsReceived,
                 got.DiscardedIncomingPackets, got.IncomingErrors, got.UnknownProtocolPackets),
        std::make_tuple(11, 12, 13, 14, 15, 16));
    EXPECT_EQ(std::tie(got.OctetsSent, got.UnicastPacketsSent, got.NonunicastPacketsSent,
                       got.DiscardedOutgoingPackets, got.OutgoingErrors, got.OutputQueueLength),
              std::make_tuple(21, 22, 23, 24, 25, 26));

    InterfaceRow longer = row;
    longer.DescrLen = 256;
    CopyInterfaceRow(longer, got);
    EXPECT_EQ(got.InterfaceDescription, row.Descr) << "a longer length takes what is there";
}

TEST(InterfaceRowConversion, AdapterAddressFormat) {
    auto format = [](std::vector<std::uint8_t> bytes, std::uint32_t length) {
        InterfaceRow row;
        std::copy(bytes.begin(), bytes.end(), row.PhysAddr.begin());
        row.PhysAddrLen = length;
        return FormatAdapterAddress(row);
    };
    EXPECT_EQ(format({0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F}, 6), "00-C-29-A-B-1F");
    EXPECT_EQ(format({0x00, 0x0C, 0x29}, 0), "");
    EXPECT_EQ(format({0xFF, 0x10, 0x01}, 2), "FF-10");
    EXPECT_EQ(format({1, 2, 3, 4, 5, 6, 7, 8}, 200), "1-2-3-4-5-6-7-8") << "a length past the end";
}

TEST(InterfaceRowConversion, NamesEndAtTheFirstNulAndUnpairedSurrogatesFail) {
    EXPECT_EQ(InterfaceNameText(std::u16string(u"eth0\0junk", 9)), "eth0");
    EXPECT_EQ(InterfaceNameText(u"Ethernet \u00e9\u20ac"), "Ethernet \xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(InterfaceNameText(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_FALSE(InterfaceNameText(std::u16string(1, char16_t(0xDC00))));
    EXPECT_FALSE(InterfaceNameText(std::u16string{char16_t(0xD800), u'a'}));
}

}  // namespace
}  // namespace ch
