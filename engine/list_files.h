#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ch {

// The keyword's list files in the program folder.
namespace ListSuffix {
inline constexpr std::string_view Queries = "_list.lst";
inline constexpr std::string_view AllSites = "_search_all.lst";
inline constexpr std::string_view PendingSites = "_search.lst";
inline constexpr std::string_view PendingVideos = "_resource.lst";
}  // namespace ListSuffix

inline constexpr std::string_view kDeniedListName = "denied.txt";

enum class ListFileState { Read, Missing, Unreadable };

struct ListFileRead {
    ListFileState State = ListFileState::Missing;
    std::vector<std::string> Entries;
};

// Program folder + keyword (blanks as "_") + suffix. A "/" in the keyword becomes "^" so that a
// list file never lands outside the program folder.
std::filesystem::path KeywordListPath(const std::filesystem::path& programFolder,
                                      const std::string& keyword, std::string_view suffix);

// The denied list of the program folder: an existing file whose name matches "denied.txt" in any
// letter case (the exact name preferred), otherwise "denied.txt".
std::filesystem::path DeniedListPath(const std::filesystem::path& programFolder);

// Reads the entries of every line; empty lines and lines that unscramble to nothing are skipped;
// an entry is the text after the line's first blank (its number).
ListFileRead ReadListFile(const std::filesystem::path& path);

// Replaces the file atomically with the entries, numbered from firstNumber, lines ended by CR LF.
bool WriteListFile(const std::filesystem::path& path, const std::vector<std::string>& entries,
                   int firstNumber = 1);

// Adds the entries as lines of their own, numbered from firstNumber, after the lines already in
// the file (created when missing). The file is replaced atomically, the old lines kept byte for
// byte; an unreadable file is left alone and false returned.
bool AppendListFile(const std::filesystem::path& path, const std::vector<std::string>& entries,
                    int firstNumber);

}  // namespace ch
