#pragma once

#include <optional>
#include <string>

namespace ch {

// The longest file name the file system accepts, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;

// A file name that stays inside its folder: "://", "/", ":" and "\" become "^" (so
// http://site/clips/a.avi is saved as http^site^clips^a.avi), names longer than 255 bytes are
// shortened to a prefix and a hash of the whole name, keeping the extension. Empty, "." and ".."
// are refused.
std::optional<std::string> SafeFileName(const std::string& text);

// The file name of a saved video, from its address.
std::optional<std::string> VideoFileName(const std::string& address);

// The name a video gets when another file already has its name (two addresses can map to one
// name): a short hash of its address before the extension.
std::string DistinctVideoFileName(const std::string& fileName, const std::string& address);

// The longest keyword a search accepts, in bytes: its list file names must fit too.
inline constexpr size_t kMaxKeywordBytes = 240;

// The name of a keyword's download folder: blanks become "_", then as SafeFileName; none for a
// keyword that can name no folder (empty, ".", "..", longer than kMaxKeywordBytes). Such a keyword
// is refused before it is searched for or recorded.
std::optional<std::string> KeywordFolderName(const std::string& keyword);

}  // namespace ch
