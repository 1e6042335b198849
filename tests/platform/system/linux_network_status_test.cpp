#include "platform/system/linux_network_status.h"

#include <gtest/gtest.h>

#include <set>

#include "scratch_folder.h"

namespace ch {
namespace {

const std::string kRouteHeading =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n";
const std::string kSubnetRoute = "eth0\t0001A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const std::string kDefaultRoute = "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
const std::string kZero32(32, '0');

std::string Ipv6Route(const std::string& flags, const std::string& iface) {
    return kZero32 + " 00 " + kZero32 + " 00 fe800000000000000000000000000001 00000400 " +
           "00000001 00000000 " + flags + " " + iface + "\n";
}

class LinuxNetworkStatusTest : public ::testing::Test {
  protected:
    LinuxNetworkStatusTest() {
        folder_.WriteAt("net/ipv6_route", "");
        Link("eth0", "0x1003", "up", "1");
        Link("lo", "0x9", "unknown", "1");
    }
    void Link(const std::string& name, const std::string& flags, const std::string& operstate,
              const std::string& carrier) {
        folder_.WriteAt("class/" + name + "/flags", flags + "\n");
        folder_.WriteAt("class/" + name + "/operstate", operstate + "\n");
        folder_.WriteAt("class/" + name + "/carrier", carrier + "\n");
    }
    bool Alive(const std::string& routes) {
        folder_.WriteAt("net/route", kRouteHeading + routes);
        LinuxNetworkStatus status(
            folder_.Path() / "net", folder_.Path() / "class",
            [this](const std::string& name) { return withAddress_.contains(name); });
        return status.IsNetworkAlive();
    }

    testing::ScratchFolder folder_;
    std::set<std::string> withAddress_{"eth0", "lo"};
};

TEST_F(LinuxNetworkStatusTest, OnlyADefaultRouteThroughAWorkingInterfaceIsAlive) {
    EXPECT_TRUE(Alive(kSubnetRoute + kDefaultRoute));
    EXPECT_FALSE(Alive(kSubnetRoute)) << "only local routes";

    struct LinkCase {
        const char *flags, *operstate, *carrier;
        bool alive;
    };
    for (const LinkCase& link :
         {LinkCase{"0x1002", "down", "0", false},       // administratively down
          LinkCase{"0x1003", "down", "0", false},       // the cable is out
          LinkCase{"0x1003", "dormant", "1", false},    // not yet connected
          LinkCase{"0x1003", "unknown", "1", true}}) {  // cannot say, but carries
        SCOPED_TRACE(link.operstate);
        Link("eth0", link.flags, link.operstate, link.carrier);
        EXPECT_EQ(Alive(kDefaultRoute), link.alive);
    }
    withAddress_.erase("eth0");
    EXPECT_FALSE(Alive(kDefaultRoute)) << "up and running, but no address yet";
}

TEST_F(LinuxNetworkStatusTest, Ipv6DefaultRouteCountsButTheRejectRouteDoesNot) {
    folder_.WriteAt("net/ipv6_route", Ipv6Route("00200200", "lo"));
    EXPECT_FALSE(Alive(""));
    folder_.WriteAt("net/ipv6_route", Ipv6Route("00200200", "lo") + Ipv6Route("00450003", "eth0"));
    EXPECT_TRUE(Alive(""));
}

TEST_F(LinuxNetworkStatusTest, HostileOrBrokenRouteFilesAreDown) {
    for (const std::string routes : {"..\t00000000\t0\t0003\t0\t0\t0\t00000000\n",
                                     "../../tmp\t00000000\t0\t0003\t0\t0\t0\t00000000\n",
                                     "eth0\t00000000\t0\tzz\t0\t0\t0\t00000000\n", "eth0\n"}) {
        SCOPED_TRACE(routes);
        EXPECT_FALSE(Alive(routes));
    }
    std::filesystem::remove_all(folder_.Path() / "net");
    LinuxNetworkStatus status(folder_.Path() / "net", folder_.Path() / "class",
                              [](const std::string&) { return true; });
    EXPECT_FALSE(status.IsNetworkAlive());
}

TEST(InterfaceHasAddressOnThisMachine, LoopbackHasOneAndAMadeUpNameHasNone) {
    EXPECT_TRUE(InterfaceHasAddress("lo"));
    EXPECT_FALSE(InterfaceHasAddress("no-such-if0"));
}

}  // namespace
}  // namespace ch
