#include "web/download_name.h"

#include <array>
#include <utility>

namespace ch {
namespace {

constexpr std::array<std::pair<FetchKind, char>, 5> kLetters{{
    {FetchKind::SeedPage, 'L'},
    {FetchKind::ResultsPage, 'G'},
    {FetchKind::SitePage, 'R'},
    {FetchKind::ExpandPage, 'E'},
    {FetchKind::Video, 'V'},
}};

}  // namespace

std::string DownloadName(const Fetch& fetch) {
    for (const auto& [kind, letter] : kLetters)
        if (kind == fetch.kind) return letter + fetch.address;
    return fetch.address;
}

std::optional<Fetch> FetchOfDownloadName(const std::string& name) {
    if (name.empty()) return std::nullopt;
    for (const auto& [kind, letter] : kLetters)
        if (letter == name.front()) return Fetch{kind, name.substr(1)};
    return std::nullopt;
}

std::string RobotsDownloadName(const std::string& address) {
    return 'T' + address;
}

std::optional<std::string> RobotsOfDownloadName(const std::string& name) {
    if (name.empty() || name.front() != 'T') return std::nullopt;
    return name.substr(1);
}

}  // namespace ch
