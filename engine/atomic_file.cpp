#include "engine/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace ch {
namespace {

// The standard library cannot force data to the disk; fsync is the one system call needed here.
bool SyncToDisk(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

// The temporary file is created anew (never opened through whatever was left or planted under its
// name), so the content cannot be written through a link to a file elsewhere.
bool WriteAndSync(const std::filesystem::path& path, const std::string& content) {
    std::error_code error;
    std::filesystem::remove(path, error);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = true;
    for (size_t done = 0; written && done < content.size();) {
        const ssize_t count = ::write(fd, content.data() + done, content.size() - done);
        if (count < 0 && errno == EINTR) continue;
        written = count > 0;
        if (written) done += static_cast<size_t>(count);
    }
    const bool synced = written && ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::error_code error;
    if (!WriteAndSync(temporary, content)) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    // Makes the rename itself durable; a folder that cannot be synced still holds the new file.
    SyncToDisk(path.has_parent_path() ? path.parent_path() : ".", O_RDONLY | O_DIRECTORY);
    return true;
}

}  // namespace ch
