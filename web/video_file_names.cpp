#include "web/video_file_names.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "engine/text.h"

namespace ch {

namespace {

// FNV-1a: the same name always gets the same short form, on every platform.
std::string HashText(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// Extensions longer than this are treated as part of the name when shortening.
constexpr size_t kMaxKeptExtension = 16;

std::string Shorten(const std::string& name) {
    if (name.size() <= kMaxFileNameBytes) return name;
    std::string extension;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot <= kMaxKeptExtension)
        extension = name.substr(dot);
    // Built by appends: g++ 12 at -O3 reports a false overlap (-Wrestrict) for "~" + string.
    const std::string hash = HashText(name);
    std::string shortened = name.substr(0, kMaxFileNameBytes - 1 - hash.size() - extension.size());
    shortened.append(1, '~').append(hash).append(extension);
    return shortened;
}

}  // namespace

std::optional<std::string> SafeFileName(const std::string& text) {
    std::string name = text::ReplaceAll(text, "://", "^");
    // A NUL would cut the name short where the file system reads it.
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return c == '/' || c == ':' || c == '\\' || c == '\0'; }, '^');
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    return Shorten(name);
}

std::optional<std::string> VideoFileName(const std::string& address) {
    return SafeFileName(address);
}

std::string DistinctVideoFileName(const std::string& fileName, const std::string& address) {
    const size_t dot = fileName.rfind('.');
    const size_t cut = dot == std::string::npos || dot == 0 ? fileName.size() : dot;
    std::string distinct = fileName.substr(0, cut);
    distinct.append(1, '~').append(HashText(address).substr(0, 8)).append(fileName.substr(cut));
    return Shorten(distinct);
}

std::optional<std::string> KeywordFolderName(const std::string& keyword) {
    // A longer keyword would be cut to a name nobody recognises, and its list files could not
    // be named at all.
    if (keyword.size() > kMaxKeywordBytes) return std::nullopt;
    return SafeFileName(text::KeywordFilePart(keyword));
}

}  // namespace ch
