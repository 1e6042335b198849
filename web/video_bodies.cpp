#include "web/video_bodies.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "web/download_name.h"
#include "web/video_file_names.h"

namespace ch {

namespace fs = std::filesystem;

namespace {

void RemoveQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

// A new body file of this process's own. The leading dot keeps unfinished bodies apart from
// saved videos, whose names start with their scheme. Created exclusively ("x"): a name another
// process (or an earlier run) holds, or a link planted there, is passed over, never reused.
std::optional<fs::path> CreateBodyFile(const fs::path& folder, std::uint64_t& next) {
    constexpr int kAttempts = 10'000;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const fs::path file = folder / (".download-" + std::to_string(next++) + ".part");
        if (std::FILE* created = std::fopen(file.c_str(), "wbx")) {
            std::fclose(created);
            return file;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

bool SameBytes(const fs::path& first, const fs::path& second) {
    std::error_code error;
    if (fs::file_size(first, error) != fs::file_size(second, error) || error) return false;
    std::ifstream a(first, std::ios::binary), b(second, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(b));
}

std::string ReadName(const std::string& address) {
    return DownloadName({FetchKind::Video, address});
}

}  // namespace

VideoBodies::~VideoBodies() {
    for (const Body& body : bodies_) {
        service_.CancelRead(ReadName(body.address));
        RemoveQuietly(body.file);
    }
}

std::optional<fs::path> VideoBodies::KeywordFolder() const {
    if (state_.DownloadFolder.empty()) return std::nullopt;
    const std::optional<std::string> name = KeywordFolderName(state_.CurrentKeyword);
    if (!name) return std::nullopt;
    return state_.DownloadFolderPath() / *name;
}

bool VideoBodies::Start(const std::string& address) {
    localFailure_.clear();
    const std::optional<fs::path> folder = KeywordFolder();
    if (!folder) {
        localFailure_ = "no folder can be made for the keyword " + state_.CurrentKeyword;
        return false;
    }
    std::error_code error;
    fs::create_directory(*folder, error);
    if (error || !fs::is_directory(*folder, error)) {
        localFailure_ = "cannot create the folder " + folder->string() + ": " +
                        (error ? error.message() : "a file has its name");
        return false;
    }
    const std::optional<fs::path> file = CreateBodyFile(*folder, nextBodyNumber_);
    if (!file) {
        localFailure_ = "cannot write in " + folder->string() + ": " + std::strerror(errno);
        return false;
    }
    bodies_.push_back({address, *file});
    if (service_.StartRead(address, ReadName(address), *file)) return true;
    Discard(address);
    return false;
}

void VideoBodies::Cancel(const std::string& address) {
    service_.CancelRead(ReadName(address));
    Discard(address);
}

std::optional<fs::path> VideoBodies::Take(const std::string& address) {
    for (auto body = bodies_.begin(); body != bodies_.end(); ++body) {
        if (body->address != address) continue;
        fs::path file = std::move(body->file);
        bodies_.erase(body);
        return file;
    }
    return std::nullopt;
}

void VideoBodies::Discard(const std::string& address) {
    if (const std::optional<fs::path> file = Take(address)) RemoveQuietly(*file);
}

VideoBodies::Saved VideoBodies::Save(const std::string& address) {
    localFailure_.clear();
    const std::optional<fs::path> body = Take(address);
    if (!body) return Saved::Failed;
    std::error_code error;
    // A body that never reached the disk holds no bytes.
    const std::uintmax_t size = fs::file_size(*body, error);
    if (error || size <= static_cast<std::uintmax_t>(kMinVideoBytes)) {
        RemoveQuietly(*body);
        return Saved::TooSmall;
    }
    const std::optional<fs::path> folder = KeywordFolder();
    const std::optional<std::string> fileName = VideoFileName(address);
    if (folder && fileName) {
        fs::create_directory(*folder, error);
        fs::path target = *folder / *fileName;
        // A video saved from another address under that name is never replaced; the same video
        // fetched again (a run killed before its lists were written) is.
        if (!error && fs::is_regular_file(fs::symlink_status(target, error)) &&
            !SameBytes(*body, target))
            target = *folder / DistinctVideoFileName(*fileName, address);
        error.clear();
        fs::rename(*body, target, error);
        if (!error) return Saved::Yes;
    }
    if (fileName)
        localFailure_ = "cannot save the video " + address + ": " +
                        (error ? error.message() : "no folder can be made for the keyword");
    RemoveQuietly(*body);
    return Saved::Failed;
}

}  // namespace ch
