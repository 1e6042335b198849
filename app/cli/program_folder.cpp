#include "app/cli/program_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "engine/list_files.h"

namespace ch {

// Write permission bits do not stop root, so the only true test is to create a file.
std::string WritableFolderError(const std::filesystem::path& folder) {
    std::string pattern = (folder / ".clipharvester-probe-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return std::strerror(errno);
    close(fd);
    unlink(pattern.c_str());
    return {};
}

std::string PrepareProgramFolder(const std::filesystem::path& folder) {
    const std::string shown = "the program folder " + folder.string();
    std::error_code error;
    const auto status = std::filesystem::status(folder, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        if (!std::filesystem::create_directories(folder, error))
            return "cannot create " + shown + ": " + error.message();
        if (!std::ofstream(folder / std::string(kDeniedListName)))
            return "cannot write in " + shown + ": " + std::strerror(errno);
        return {};
    }
    if (error) return "cannot reach " + shown + ": " + error.message();
    if (status.type() != std::filesystem::file_type::directory) return shown + " is not a folder";
    if (const std::string why = WritableFolderError(folder); !why.empty())
        return "cannot write in " + shown + ": " + why;
    return {};
}

}  // namespace ch
