#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "web/video_file_names.h"

namespace ch::testing {

// The files a whole search of the demo web saves, by name, with their sizes: the demo's other
// videos are too small, shorter than announced, or one level too deep.
inline std::map<std::string, std::uintmax_t> DemoVideoFiles() {
    const std::map<std::string, std::uintmax_t> videos = {
        {"http://site001.test/videos/a.avi", 350000}, {"http://site001.test/videos/b.wmv", 420000},
        {"http://site001.test/videos/c.mpg", 500000}, {"http://site001.test/videos/d.avi", 260000},
        {"http://site002.test/clips/e.mov", 380000},  {"http://site002.test/clips/f.flv", 310000},
        {"http://site003.test/movies/g.avi", 450000}, {"http://site003.test/movies/h.mpeg", 330000},
    };
    std::map<std::string, std::uintmax_t> files;
    for (const auto& [address, size] : videos) files[*VideoFileName(address)] = size;
    return files;
}

// The files in a folder, by name, with their sizes; nothing when the folder is missing.
inline std::map<std::string, std::uintmax_t> FilesIn(const std::filesystem::path& folder) {
    std::map<std::string, std::uintmax_t> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files[entry.path().filename().string()] = entry.file_size();
    return files;
}

}  // namespace ch::testing
