#include "platform/system/linux_network_status.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/system/sysfs_text.h"

namespace ch {
namespace {

constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteReject = 0x0200;

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> fields;
    for (std::string field; stream >> field;) fields.push_back(field);
    return fields;
}

bool HexFlags(const std::string& text, unsigned long& flags) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), flags, 16);
    return error == std::errc() && end == text.data() + text.size();
}

// Interfaces of the usable default routes of /proc/net/route:
// Iface Destination Gateway Flags RefCnt Use Metric Mask ...
std::vector<std::string> Ipv4DefaultRouteInterfaces(const std::filesystem::path& file) {
    std::vector<std::string> interfaces;
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);  // heading
    while (std::getline(in, line)) {
        const auto f = Fields(line);
        unsigned long flags = 0;
        if (f.size() < 8 || !HexFlags(f[3], flags)) continue;
        if (f[1] == "00000000" && f[7] == "00000000" && (flags & kRouteUp) &&
            !(flags & kRouteReject))
            interfaces.push_back(f[0]);
    }
    return interfaces;
}

// Interfaces of the usable default routes of /proc/net/ipv6_route:
// destination prefix-length source prefix-length next-hop metric refcnt use flags iface
std::vector<std::string> Ipv6DefaultRouteInterfaces(const std::filesystem::path& file) {
    std::vector<std::string> interfaces;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto f = Fields(line);
        unsigned long flags = 0;
        if (f.size() < 10 || !HexFlags(f[8], flags)) continue;
        if (f[0] == std::string(32, '0') && f[1] == "00" && (flags & kRouteUp) &&
            !(flags & kRouteReject))
            interfaces.push_back(f[9]);
    }
    return interfaces;
}

}  // namespace

LinuxNetworkStatus::LinuxNetworkStatus()
    : LinuxNetworkStatus("/proc/net", "/sys/class/net", InterfaceHasAddress) {}

LinuxNetworkStatus::LinuxNetworkStatus(std::filesystem::path procNet,
                                       std::filesystem::path sysClassNet, AddressCheck hasAddress)
    : procNet_(std::move(procNet)),
      sysClassNet_(std::move(sysClassNet)),
      hasAddress_(std::move(hasAddress)) {}

bool LinuxNetworkStatus::IsNetworkAlive() {
    for (const auto& name : Ipv4DefaultRouteInterfaces(procNet_ / "route"))
        if (InterfaceUsable(name)) return true;
    for (const auto& name : Ipv6DefaultRouteInterfaces(procNet_ / "ipv6_route"))
        if (InterfaceUsable(name)) return true;
    return false;
}

bool LinuxNetworkStatus::InterfaceUsable(const std::string& name) const {
    // A route file naming "../x" must not lead the look-up out of /sys/class/net.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return false;
    const auto folder = sysClassNet_ / name;
    const bool up = ReadAttributeNumber(folder / "flags").value_or(0) & IFF_UP;
    // The flags file does not carry IFF_RUNNING; the kernel derives it from these two.
    const auto operstate = ReadAttributeLine(folder / "operstate").value_or("");
    const bool carrier = ReadAttributeNumber(folder / "carrier").value_or(0) == 1;
    const bool running = operstate == "up" || (operstate == "unknown" && carrier);
    return up && running && hasAddress_(name);
}

bool InterfaceHasAddress(const std::string& interfaceName) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool found = false;
    for (const ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
        if (!entry->ifa_addr || interfaceName != entry->ifa_name) continue;
        const auto family = entry->ifa_addr->sa_family;
        found = family == AF_INET || family == AF_INET6;
    }
    ::freeifaddrs(list);
    return found;
}

}  // namespace ch
