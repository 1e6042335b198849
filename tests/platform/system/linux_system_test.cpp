#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <set>

#include "platform/system/linux_interface_table.h"
#include "platform/system/linux_network_status.h"
#include "platform/system/signal_pipe.h"
#include "platform/system/single_instance_lock.h"
#include "scratch_folder.h"

namespace ch {
namespace {

using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// One row per interface line, in order, past headings and malformed lines; counters cut to 32
// bits as the platform's table gives them; the open file is read afresh on every call.
TEST(LinuxInterfaceTable, RowsFollowTheCounterFileWithCountersCutTo32Bits) {
    testing::ScratchFolder folder;
    auto line = [](const std::string& name, const std::string& rx, const std::string& tx) {
        return "  " + name + ": " + rx + " 10 1 2 0 0 0 3 " + tx + " 20 4 5 0 0 0 0\n";
    };
    const std::string heading = "Inter-|   Receive  |  Transmit\n face |bytes packets\n";
    folder.WriteAt("dev", heading + line("lo", "700", "7") + "no colon\n  bad: 1 2 x\n" +
                              line("", "1", "1") + line("eth0", "4294967301", "2147483648"));
    LinuxInterfaceTable table(folder.Path() / "dev");
    std::vector<InterfaceRow> rows;
    auto counters = [&] {
        EXPECT_EQ(table.Read(rows), TableStatus::Ok);
        Pairs pairs;
        for (const auto& row : rows) pairs.emplace_back(row.InOctets, row.OutOctets);
        return pairs;
    };
    EXPECT_EQ(counters(), (Pairs{{700, 7}, {5, 2147483648u}}));
    std::string many = heading;  // longer than the first buffer
    for (int i = 0; i < 300; ++i) many += line("veth" + std::to_string(i), std::to_string(i), "0");
    folder.WriteAt("dev", many);
    EXPECT_EQ(counters().back(), std::pair(299u, 0u));
    EXPECT_EQ(LinuxInterfaceTable(folder.Path() / "missing").Read(rows), TableStatus::NotSupported);
    EXPECT_TRUE(rows.empty());
}

std::string Route(const std::string& iface, const std::string& flags = "0003",
                  const std::string& destination = "00000000", const std::string& mask = "") {
    return iface + "\t" + destination + "\t0101A8C0\t" + flags + "\t0\t0\t0\t" +
           (mask.empty() ? destination : mask) + "\t0\t0\t0\n";
}

std::string Ipv6Route(const std::string& flags, const std::string& iface) {
    const std::string zero(32, '0');
    return zero + " 00 " + zero + " 00 " + zero + " 00000400 00000001 00000000 " + flags + " " +
           iface + "\n";
}

// Alive only with a default route through an interface that is up, running and has an address.
TEST(LinuxNetworkStatus, OnlyADefaultRouteThroughAWorkingInterfaceIsAlive) {
    testing::ScratchFolder folder;
    auto link = [&](const std::string& name, const std::string& values) {
        std::istringstream in(values);  // flags operstate carrier
        for (const char* file : {"flags", "operstate", "carrier"})
            if (std::string value; in >> value)
                folder.WriteAt("class/" + name + "/" + file, value + "\n");
    };
    for (const char* name : {"lo", "../evil", "noaddr0"}) link(name, "0x1003 up 1");
    const struct {
        const char* eth0;
        std::string routes, ipv6;
        bool alive;
    } cases[] = {
        {"0x1003 up 1", Route("eth0", "0001", "0001A8C0") + Route("eth0"), "", true},
        {"0x1003 up 1", Route("eth0", "0001", "0001A8C0"), "", false},  // local routes only
        {"0x1003 up 1", Route("eth0", "0203"), "", false},              // a reject route
        {"0x1003 up 1", Route("eth0", "0003", "00000000", "00FFFFFF"), "", false},  // 0.0.0.0/24
        {"0x1002 down 0", Route("eth0"), "", false},    // administratively down
        {"0x1003 down 0", Route("eth0"), "", false},    // the cable is out
        {"0x1003 unknown 1", Route("eth0"), "", true},  // cannot say, but carries
        {"0x1003 up 1", Route("noaddr0"), "", false},
        {"0x1003 up 1", "", Ipv6Route("00200200", "lo"), false},  // an IPv6 reject route
        {"0x1003 up 1", "", Ipv6Route("00200200", "lo") + Ipv6Route("00450003", "eth0"), true},
        {"0x1003 up 1", Route("../evil") + Route("eth0", "zz") + "eth0\n", "", false},
    };
    for (const auto& c : cases) {
        link("eth0", c.eth0);
        folder.WriteAt("net/route", "Iface\tDestination\tGateway \tFlags\n" + c.routes);
        folder.WriteAt("net/ipv6_route", c.ipv6);
        const std::set<std::string> named{"eth0", "lo", "../evil"};
        LinuxNetworkStatus status(folder.Path() / "net", folder.Path() / "class",
                                  [&](const std::string& name) { return named.contains(name); });
        EXPECT_EQ(status.IsNetworkAlive(), c.alive) << c.eth0 << "\n" << c.routes << c.ipv6;
    }
    EXPECT_TRUE(InterfaceHasAddress("lo") && !InterfaceHasAddress("no-such-if0"));
}

TEST(SingleInstanceLock, OneHolderPerFolderUntilItLetsGo) {
    using Result = SingleInstanceLock::Result;
    testing::ScratchFolder folder, other, linked;
    auto first = std::make_unique<SingleInstanceLock>();
    ASSERT_EQ(first->Acquire(folder.Path()), Result::Acquired);
    SingleInstanceLock second, elsewhere, missing;
    EXPECT_EQ(second.Acquire(folder.Path()), Result::HeldByAnother);
    EXPECT_EQ(elsewhere.Acquire(other.Path()), Result::Acquired);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(SingleInstanceLock().Acquire(folder.Path()) == Result::HeldByAnother);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "another process is refused";
    first.reset();
    EXPECT_EQ(second.Acquire(folder.Path()), Result::Acquired);
    EXPECT_EQ(missing.Acquire(folder.Path() / "gone"), Result::Failed);
    std::filesystem::create_symlink(linked.Path() / "planted", linked.Path() / kInstanceLockFile);
    EXPECT_EQ(SingleInstanceLock().Acquire(linked.Path()), Result::Failed) << "a planted link";
    EXPECT_FALSE(std::filesystem::exists(linked.Path() / "planted"));
}

TEST(SignalPipe, EachSignalReachesTheEventLoopCountedInsteadOfEndingTheProcess) {
    std::vector<int> counts;
    QEventLoop loop;
    SignalPipe pipe({SIGINT, SIGTERM, SIGHUP}, [&](int count) {
        counts.push_back(count);
        if (count == 3) loop.quit();
    });
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::raise(signal);
    EXPECT_TRUE(counts.empty()) << "the handler itself does no work";
    QTimer::singleShot(10000, &loop, [&] { loop.exit(1); });  // a safety net, not a wait
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace ch
