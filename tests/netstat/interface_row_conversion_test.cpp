#include "netstat/interface_row_conversion.h"

#include <gtest/gtest.h>

#include <vector>

namespace ch {
namespace {

struct AddressCase {
    std::vector<std::uint8_t> bytes;
    std::uint32_t length;
    std::string expected;
};

class AdapterAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AdapterAddressTest, Formats) {
    InterfaceRow row;
    for (size_t i = 0; i < GetParam().bytes.size(); ++i) row.PhysAddr[i] = GetParam().bytes[i];
    row.PhysAddrLen = GetParam().length;
    EXPECT_EQ(FormatAdapterAddress(row), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AdapterAddressTest,
    ::testing::Values(AddressCase{{0x00, 0x0C, 0x29, 0x0A, 0x0B, 0x1F}, 6, "00-C-29-A-B-1F"},
                      AddressCase{{0x00, 0x0C, 0x29}, 0, ""},
                      AddressCase{{0xFF, 0x10, 0x01}, 2, "FF-10"},
                      AddressCase{{0x00, 0x00}, 2, "00-00"},
                      AddressCase{{1, 2, 3, 4, 5, 6, 7, 8}, 200, "1-2-3-4-5-6-7-8"}));

TEST(InterfaceNameTextTest, EndsAtTheFirstNulAndConvertsToUtf8) {
    EXPECT_EQ(InterfaceNameText(std::u16string(u"eth0\0junk", 9)), "eth0");
    EXPECT_EQ(InterfaceNameText(u"Ethernet \u00e9\u20ac"), "Ethernet \xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(InterfaceNameText(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(InterfaceNameText(u""), "");
}

TEST(InterfaceNameTextTest, UnpairedSurrogatesCannotBeConverted) {
    EXPECT_FALSE(InterfaceNameText(std::u16string(1, char16_t(0xD800))));
    EXPECT_FALSE(InterfaceNameText(std::u16string(1, char16_t(0xDC00))));
    EXPECT_FALSE(InterfaceNameText(std::u16string{char16_t(0xD800), u'a'}));
}

TEST(DescriptionTest, IsCutToItsLengthAndALongerLengthTakesWhatIsThere) {
    InterfaceRow row;
    row.Descr = "abcdef";
    row.DescrLen = 3;
    CInterface cut;
    CopyInterfaceRow(row, cut);
    EXPECT_EQ(cut.InterfaceDescription, "abc");
    row.DescrLen = 256;
    CInterface whole;
    CopyInterfaceRow(row, whole);
    EXPECT_EQ(whole.InterfaceDescription, "abcdef");
}

}  // namespace
}  // namespace ch
