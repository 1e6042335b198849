#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "netstat/network_status.h"

namespace ch {

// The machine is on a network when a default route (IPv4 or IPv6) leads through an interface
// that is up, running and holds an address. Answered from the kernel's own tables, which change
// the moment a cable, a link or a connection goes.
class LinuxNetworkStatus : public NetworkStatus {
  public:
    using AddressCheck = std::function<bool(const std::string& interfaceName)>;

    LinuxNetworkStatus();
    // For tests: other route files, another /sys/class/net and another address lookup.
    LinuxNetworkStatus(std::filesystem::path procNet, std::filesystem::path sysClassNet,
                       AddressCheck hasAddress);

    bool IsNetworkAlive() override;

  private:
    bool InterfaceUsable(const std::string& name) const;

    std::filesystem::path procNet_;
    std::filesystem::path sysClassNet_;
    AddressCheck hasAddress_;
};

// Whether the interface holds an IPv4 or IPv6 address right now.
bool InterfaceHasAddress(const std::string& interfaceName);

}  // namespace ch
