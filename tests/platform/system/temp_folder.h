#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ch::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("ch-system-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

    // Writes the file in place (same inode), creating its folders.
    void Write(const std::filesystem::path& relative, const std::string& text) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::ofstream(path_ / relative, std::ios::binary | std::ios::trunc) << text;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace ch::testing
