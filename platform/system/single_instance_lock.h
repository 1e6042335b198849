#pragma once

#include <filesystem>

namespace ch {

inline constexpr const char* kInstanceLockFile = "clipharvester.lock";

// One running program per program folder: an advisory lock on a file in the folder, held for as
// long as this object lives and dropped by the kernel when the process ends in any way.
class SingleInstanceLock {
  public:
    enum class Result { Acquired, HeldByAnother, Failed };

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    Result Acquire(const std::filesystem::path& programFolder);

  private:
    int fd_ = -1;
};

}  // namespace ch
