#pragma once

namespace ch {

// Whether the machine is on a network at all.
class NetworkStatus {
  public:
    virtual ~NetworkStatus() = default;
    virtual bool IsNetworkAlive() = 0;
};

}  // namespace ch
