#include "engine/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
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

bool WriteAndSync(const std::filesystem::path& path, const std::string& content) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) return false;
    }
    return SyncToDisk(path, O_RDONLY);
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
