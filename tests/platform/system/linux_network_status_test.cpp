#include "platform/system/linux_network_status.h"

#include <gtest/gtest.h>

#include <set>

#include "temp_folder.h"

namespace ch {
namespace {

using testing::TempFolder;

constexpr const char* kRouteHeading =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
constexpr const char* kSubnetRoute = "eth0\t0001A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
constexpr const char* kDefaultRoute =
    "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
constexpr const char* kZero32 = "00000000000000000000000000000000";

std::string Ipv6Route(const std::string& destination, const std::string& flags,
                      const std::string& iface) {
    return destination + " 00 " + kZero32 + " 00 fe800000000000000000000000000001 00000400 " +
           "00000001 00000000 " + flags + " " + iface + "\n";
}

class LinuxNetworkStatusTest : public ::testing::Test {
  protected:
    LinuxNetworkStatusTest() {
        folder_.Write("net/route", kRouteHeading);
        folder_.Write("net/ipv6_route", "");
        Link("eth0", "0x1003", "up", "1");
        Link("lo", "0x9", "unknown", "1");
    }
    void Link(const std::string& name, const std::string& flags, const std::string& operstate,
              const std::string& carrier) {
        folder_.Write("class/" + name + "/flags", flags + "\n");
        folder_.Write("class/" + name + "/operstate", operstate + "\n");
        folder_.Write("class/" + name + "/carrier", carrier + "\n");
    }
    bool Alive() {
        LinuxNetworkStatus status(
            folder_.path() / "net", folder_.path() / "class",
            [this](const std::string& name) { return withAddress_.contains(name); });
        return status.IsNetworkAlive();
    }

    TempFolder folder_;
    std::set<std::string> withAddress_{"eth0", "lo"};
};

TEST_F(LinuxNetworkStatusTest, DefaultRouteThroughAWorkingInterfaceIsAlive) {
    folder_.Write("net/route", std::string(kRouteHeading) + kSubnetRoute + kDefaultRoute);
    EXPECT_TRUE(Alive());
}

TEST_F(LinuxNetworkStatusTest, OnlyLocalRoutesIsDown) {
    folder_.Write("net/route", std::string(kRouteHeading) + kSubnetRoute);
    EXPECT_FALSE(Alive());
}

TEST_F(LinuxNetworkStatusTest, DefaultRouteThroughABrokenInterfaceIsDown) {
    folder_.Write("net/route", std::string(kRouteHeading) + kDefaultRoute);
    Link("eth0", "0x1002", "down", "0");  // administratively down
    EXPECT_FALSE(Alive());
    Link("eth0", "0x1003", "down", "0");  // up, but the cable is out
    EXPECT_FALSE(Alive());
    Link("eth0", "0x1003", "dormant", "1");  // up, but not yet connected
    EXPECT_FALSE(Alive());
    Link("eth0", "0x1003", "unknown", "1");  // a link that cannot say, but carries traffic
    EXPECT_TRUE(Alive());
    Link("eth0", "0x1003", "up", "1");
    withAddress_.erase("eth0");  // up and running, but no address yet
    EXPECT_FALSE(Alive());
}

TEST_F(LinuxNetworkStatusTest, Ipv6DefaultRouteCountsButTheRejectRouteDoesNot) {
    folder_.Write("net/ipv6_route", Ipv6Route(kZero32, "00200200", "lo"));
    EXPECT_FALSE(Alive());
    folder_.Write("net/ipv6_route",
                  Ipv6Route(kZero32, "00200200", "lo") + Ipv6Route(kZero32, "00450003", "eth0"));
    EXPECT_TRUE(Alive());
}

TEST_F(LinuxNetworkStatusTest, HostileOrBrokenRouteFilesAreDown) {
    for (const std::string& routes :
         {std::string("..\t00000000\t0\t0003\t0\t0\t0\t00000000\n"),
          std::string("../../tmp\t00000000\t0\t0003\t0\t0\t0\t00000000\n"),
          std::string("eth0\t00000000\t0\tzz\t0\t0\t0\t00000000\n"), std::string("eth0\n")}) {
        SCOPED_TRACE(routes);
        folder_.Write("net/route", kRouteHeading + routes);
        EXPECT_FALSE(Alive());
    }
    std::filesystem::remove(folder_.path() / "net/route");
    std::filesystem::remove(folder_.path() / "net/ipv6_route");
    EXPECT_FALSE(Alive());
}

TEST(InterfaceHasAddressOnThisMachine, LoopbackHasOneAndAMadeUpNameHasNone) {
    EXPECT_TRUE(InterfaceHasAddress("lo"));
    EXPECT_FALSE(InterfaceHasAddress("no-such-if0"));
}

}  // namespace
}  // namespace ch
