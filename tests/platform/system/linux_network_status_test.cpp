#include "platform/system/linux_network_status.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "scratch_folder.h"

namespace ch {
namespace {

std::string Route(const std::string& iface, const std::string& flags = "0003",
                  const std::string& destination = "00000000") {
    return iface + "\t" + destination + "\t0101A8C0\t" + flags + "\t0\t0\t0\t" + destination +
           "\t0\t0\t0\n";
}

std::string Ipv6Route(const std::string& flags, const std::string& iface) {
    const std::string zero(32, '0');
    return zero + " 00 " + zero + " 00 " + zero + " 00000400 00000001 00000000 " + flags + " " +
           iface + "\n";
}

class LinuxNetworkStatusTest : public ::testing::Test {
  protected:
    LinuxNetworkStatusTest() {
        Link("eth0", "0x1003 up 1");
        Link("lo", "0x9 unknown 1");
    }
    // "flags operstate carrier"
    void Link(const std::string& name, const std::string& values) {
        std::istringstream in(values);
        for (const char* file : {"flags", "operstate", "carrier"})
            if (std::string value; in >> value)
                folder_.WriteAt("class/" + name + "/" + file, value + "\n");
    }
    bool Alive(const std::string& routes, const std::string& ipv6Routes = "") {
        folder_.WriteAt("net/route", "Iface\tDestination\tGateway \tFlags\tRefCnt\n" + routes);
        folder_.WriteAt("net/ipv6_route", ipv6Routes);
        return LinuxNetworkStatus(folder_.Path() / "net", folder_.Path() / "class",
                                  [this](const std::string& name) { return named_.contains(name); })
            .IsNetworkAlive();
    }

    testing::ScratchFolder folder_;
    std::set<std::string> named_{"eth0", "lo", "../evil"};  // interfaces with an address
};

TEST_F(LinuxNetworkStatusTest, OnlyADefaultRouteThroughAWorkingInterfaceIsAlive) {
    EXPECT_TRUE(Alive(Route("eth0", "0001", "0001A8C0") + Route("eth0")));
    EXPECT_FALSE(Alive(Route("eth0", "0001", "0001A8C0"))) << "only local routes";
    EXPECT_FALSE(Alive(Route("eth0", "0203"))) << "a reject route";
    auto check = [this](const char* link, bool alive) {
        Link("eth0", link);
        EXPECT_EQ(Alive(Route("eth0")), alive) << link;
    };
    check("0x1002 down 0", false);     // administratively down
    check("0x1003 down 0", false);     // the cable is out
    check("0x1003 dormant 1", false);  // not yet connected
    check("0x1003 unknown 1", true);   // cannot say, but carries
    named_.erase("eth0");
    EXPECT_FALSE(Alive(Route("eth0"))) << "up and running, but no address yet";
}

TEST_F(LinuxNetworkStatusTest, Ipv6DefaultRouteCountsButTheRejectRouteDoesNot) {
    EXPECT_FALSE(Alive("", Ipv6Route("00200200", "lo")));
    EXPECT_TRUE(Alive("", Ipv6Route("00200200", "lo") + Ipv6Route("00450003", "eth0")));
}

TEST_F(LinuxNetworkStatusTest, HostileOrBrokenRouteFilesAreDown) {
    Link("../evil", "0x1003 up 1");
    for (const std::string& routes : {Route("../evil"), Route("eth0", "zz"), std::string("eth0\n")})
        EXPECT_FALSE(Alive(routes)) << routes;
    std::filesystem::remove_all(folder_.Path() / "net");
    EXPECT_FALSE(LinuxNetworkStatus(folder_.Path() / "net", folder_.Path() / "class",
                                    [](const std::string&) { return true; })
                     .IsNetworkAlive());
}

TEST(InterfaceHasAddressOnThisMachine, LoopbackHasOneAndAMadeUpNameHasNone) {
    EXPECT_TRUE(InterfaceHasAddress("lo"));
    EXPECT_FALSE(InterfaceHasAddress("no-such-if0"));
}

}  // namespace
}  // namespace ch
