#include "web/link_class.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "engine/run_state.h"
#include "engine/text.h"

namespace ch {

namespace {

struct SuffixRule {
    std::string_view Suffix;
    LinkClass Class;
};

// The first rule that matches decides; the order matters (".rm" after the four-letter suffixes).
constexpr std::array kRules{
    SuffixRule{".avi", LinkClass::Video},    SuffixRule{".mpg", LinkClass::Video},
    SuffixRule{".wmv", LinkClass::Video},    SuffixRule{".flv", LinkClass::Video},
    SuffixRule{".mov", LinkClass::Video},    SuffixRule{".mpe", LinkClass::Video},
    SuffixRule{".mpa", LinkClass::Video},    SuffixRule{".asf", LinkClass::Video},
    SuffixRule{".asx", LinkClass::Video},    SuffixRule{".bmp", LinkClass::Ignored},
    SuffixRule{".jpg", LinkClass::Ignored},  SuffixRule{".png", LinkClass::Ignored},
    SuffixRule{".gif", LinkClass::Ignored},  SuffixRule{".pcx", LinkClass::Ignored},
    SuffixRule{".tif", LinkClass::Ignored},  SuffixRule{".wmf", LinkClass::Ignored},
    SuffixRule{".exe", LinkClass::Ignored},  SuffixRule{".zip", LinkClass::Ignored},
    SuffixRule{".pdf", LinkClass::Ignored},  SuffixRule{".doc", LinkClass::Ignored},
    SuffixRule{".mp3", LinkClass::Ignored},  SuffixRule{".wav", LinkClass::Ignored},
    SuffixRule{".pps", LinkClass::Ignored},  SuffixRule{".swf", LinkClass::Ignored},
    SuffixRule{".ppt", LinkClass::Ignored},  SuffixRule{".rm", LinkClass::Video},
    SuffixRule{".qt", LinkClass::Ignored},   SuffixRule{".jpeg", LinkClass::Ignored},
    SuffixRule{".tiff", LinkClass::Ignored}, SuffixRule{".mpeg", LinkClass::Video},
    SuffixRule{".rmvb", LinkClass::Video},
};

// Today's containers: videos unless only the older table is wanted.
constexpr std::array<std::string_view, 12> kModernVideos{
    ".mp4", ".m4v", ".mkv",  ".webm", ".ogv",  ".3gp",
    ".3g2", ".f4v", ".divx", ".ts",   ".m2ts", ".mts",
};

// Files that are never worth fetching as pages: a crawler that read a 4 GB disc image or a
// playlist of segments as HTML would only waste the line. Playlists are not videos either.
constexpr std::array<std::string_view, 27> kNeverPages{
    ".m3u8", ".mpd", ".iso", ".srt",  ".sub", ".vtt", ".ass",  ".ssa", ".flac",
    ".ogg",  ".m4a", ".aac", ".opus", ".wma", ".mka", ".webp", ".svg", ".avif",
    ".heic", ".ico", ".rar", ".7z",   ".gz",  ".tar", ".xz",   ".bz2", ".tgz",
};

bool EndsWithAny(const std::string& lowered, const auto& suffixes) {
    for (const std::string_view suffix : suffixes)
        if (lowered.ends_with(suffix)) return true;
    return false;
}

// "C=" with a column (name, modified, size, description) or "O=" with an order.
bool IsSortParameter(std::string_view part) {
    if (part.size() != 3 || part[1] != '=') return false;
    const std::string_view values = part[0] == 'c' ? "nmsd" : part[0] == 'o' ? "ad" : "";
    return values.find(part[2]) != std::string_view::npos;
}

}  // namespace

LinkClass ClassifyLink(const std::string& link, VideoTypes types) {
    const std::string lowered = text::ToLower(link);
    for (const SuffixRule& rule : kRules)
        if (lowered.ends_with(rule.Suffix)) return rule.Class;
    if (EndsWithAny(lowered, kModernVideos))
        return types == VideoTypes::Modern ? LinkClass::Video : LinkClass::Ignored;
    if (EndsWithAny(lowered, kNeverPages)) return LinkClass::Ignored;
    return LinkClass::Page;
}

bool IsSortLink(const std::string& address) {
    const std::size_t question = address.find('?');
    if (question == std::string::npos) return false;
    const std::string query =
        text::ToLower(address.substr(question + 1, address.find('#', question) - question - 1));
    bool sorts = false;
    for (std::size_t start = 0; start <= query.size();) {
        const std::size_t end = std::min(query.find_first_of(";&", start), query.size());
        const std::string_view part = std::string_view(query).substr(start, end - start);
        if (!part.empty()) {
            if (!IsSortParameter(part)) return false;
            sorts = true;
        }
        start = end + 1;
    }
    return sorts;
}

}  // namespace ch
