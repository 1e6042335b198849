#pragma once

namespace ch {

// How clipharvester-cli ends, as its process exit status.
enum class ExitStatus : int {
    Completed = 0,
    Failed = 1,
    BadUsage = 2,
    NetworkLost = 3,
    Stopped = 4,
};

inline int ToProcessStatus(ExitStatus status) {
    return static_cast<int>(status);
}

}  // namespace ch
