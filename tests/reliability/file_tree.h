#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace ch::testing {

// What a folder holds, entry by entry (symbolic links not followed): the kind of each entry and
// the bytes of each file or the target of each link, so that two snapshots show every change.
class FileTree {
  public:
    struct Entry {
        std::filesystem::file_type Type;
        std::string Content;
        bool operator==(const Entry&) const = default;
    };

    static FileTree Of(const std::filesystem::path& root) {
        FileTree tree;
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(root, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const auto type = it->symlink_status().type();
            Entry entry{type, {}};
            if (type == std::filesystem::file_type::regular) {
                std::ifstream in(it->path(), std::ios::binary);
                entry.Content.assign(std::istreambuf_iterator<char>(in), {});
            } else if (type == std::filesystem::file_type::symlink) {
                entry.Content = std::filesystem::read_symlink(it->path()).string();
            }
            tree.entries_[it->path().lexically_relative(root).string()] = std::move(entry);
        }
        return tree;
    }

    // Paths (relative to the root) that are new, gone or different in after.
    static std::vector<std::string> Changes(const FileTree& before, const FileTree& after) {
        std::vector<std::string> changed;
        for (const auto& [path, entry] : after.entries_) {
            const auto old = before.entries_.find(path);
            if (old == before.entries_.end() || !(old->second == entry)) changed.push_back(path);
        }
        for (const auto& [path, entry] : before.entries_)
            if (!after.entries_.contains(path)) changed.push_back(path);
        return changed;
    }

    const Entry* Find(const std::string& relativePath) const {
        const auto found = entries_.find(relativePath);
        return found == entries_.end() ? nullptr : &found->second;
    }

  private:
    std::map<std::string, Entry> entries_;
};

}  // namespace ch::testing
