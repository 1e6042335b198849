#include "engine/list_files.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

#include "engine/atomic_file.h"
#include "engine/line_scrambler.h"
#include "engine/text.h"

namespace ch {
namespace {

// The whole file, or nothing when it is missing (State Missing) or cannot be read.
std::optional<std::string> ReadBytes(const std::filesystem::path& path, ListFileState& state) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        state = ListFileState::Missing;
        return std::nullopt;
    }
    state = ListFileState::Unreadable;
    if (error || status.type() != std::filesystem::file_type::regular) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    state = ListFileState::Read;
    return std::move(bytes).str();
}

std::string FormatLines(const std::vector<std::string>& entries, int firstNumber) {
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) {
        text += ScrambleLine(kListKey,
                             std::to_string(firstNumber + static_cast<int>(i)) + " " + entries[i]);
        text += "\r\n";
    }
    return text;
}

}  // namespace

std::filesystem::path KeywordListPath(const std::filesystem::path& programFolder,
                                      const std::string& keyword, std::string_view suffix) {
    std::string name = text::KeywordFilePart(keyword);
    std::replace(name.begin(), name.end(), '/', '^');
    name += suffix;
    return programFolder / name;
}

std::filesystem::path DeniedListPath(const std::filesystem::path& programFolder) {
    const std::filesystem::path exact = programFolder / kDeniedListName;
    std::error_code error;
    if (std::filesystem::exists(exact, error)) return exact;
    std::vector<std::filesystem::path> variants;
    for (std::filesystem::directory_iterator it(programFolder, error), end; !error && it != end;
         it.increment(error)) {
        if (text::ToLower(it->path().filename().string()) == kDeniedListName)
            variants.push_back(it->path());
    }
    if (variants.empty()) return exact;
    return *std::min_element(variants.begin(), variants.end());
}

ListFileRead ReadListFile(const std::filesystem::path& path) {
    ListFileRead result;
    const auto bytes = ReadBytes(path, result.State);
    if (!bytes) return result;
    size_t position = 0;
    while (position < bytes->size()) {
        size_t end = bytes->find('\n', position);
        if (end == std::string::npos) end = bytes->size();
        std::string_view line(bytes->data() + position, end - position);
        position = end + 1;
        // An empty line (an editor, a CR LF too many) or one of control characters only is
        // skipped; it must not hide the entries after it.
        const std::string text = UnscrambleLine(kListKey, line);
        if (text.empty()) continue;
        const size_t blank = text.find(' ');
        result.Entries.push_back(blank == std::string::npos ? text : text.substr(blank + 1));
    }
    return result;
}

bool WriteListFile(const std::filesystem::path& path, const std::vector<std::string>& entries,
                   int firstNumber) {
    return ReplaceFileAtomically(path, FormatLines(entries, firstNumber));
}

bool AppendListFile(const std::filesystem::path& path, const std::vector<std::string>& entries,
                    int firstNumber) {
    ListFileState state;
    std::string content = ReadBytes(path, state).value_or("");
    if (state == ListFileState::Unreadable) return false;
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    content += FormatLines(entries, firstNumber);
    return ReplaceFileAtomically(path, content);
}

}  // namespace ch
