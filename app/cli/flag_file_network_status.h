#pragma once

#include <filesystem>

#include "netstat/network_status.h"

namespace ch {

// The network as the tests and the demo declare it: lost while the flag file exists. They run
// in a network namespace that has only loopback, where the system's own answer would always be
// "no network"; CLIPHARVESTER_NETWORK_DOWN_FLAG names the file.
class FlagFileNetworkStatus : public NetworkStatus {
  public:
    explicit FlagFileNetworkStatus(std::filesystem::path flag) : flag_(std::move(flag)) {}
    bool IsNetworkAlive() override {
        std::error_code ignored;
        return !std::filesystem::exists(flag_, ignored);
    }

  private:
    std::filesystem::path flag_;
};

}  // namespace ch
