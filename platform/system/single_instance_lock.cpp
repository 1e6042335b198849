#include "platform/system/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace ch {

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::filesystem::path& programFolder) {
    if (fd_ >= 0) return Result::Acquired;
    const auto file = programFolder / kInstanceLockFile;
    // A link planted at the lock's name must not create or open a file elsewhere.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::HeldByAnother : Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

}  // namespace ch
