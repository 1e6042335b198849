#pragma once

namespace ch {

// How clipharvester-cli ends, as its process exit status.
enum class ExitStatus : int {
    Completed = 0,
    Failed = 1,
    BadUsage = 2,
    NetworkLost = 3,
    Stopped = 4,
    SearchRefused = 5,  // the search engine refused, and nothing else was pending
    NothingFound = 6,   // the search named no site, and nothing else was pending
};

inline int ToProcessStatus(ExitStatus status) {
    return static_cast<int>(status);
}

}  // namespace ch
