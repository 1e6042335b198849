#include "web/robots_rules.h"

#include <algorithm>
#include <cstddef>

#include "engine/product.h"
#include "engine/text.h"

namespace ch {

namespace {

constexpr std::size_t kMaxRobotsBytes = 500 * 1024;
constexpr double kMaxCrawlDelaySeconds = 30.0;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendEscaped(std::string& out, unsigned char c) {
    constexpr const char* kHex = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

// One spelling for a path and for a rule's pattern, so that they compare byte by byte: escaped
// unreserved characters are unescaped, other escapes get upper-case digits, and bytes that a
// URI cannot hold as they are (non-ASCII, controls, blanks) are escaped.
std::string NormalisePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c == '%' && i + 2 < path.size() && HexValue(path[i + 1]) >= 0 &&
            HexValue(path[i + 2]) >= 0) {
            const auto decoded =
                static_cast<unsigned char>(HexValue(path[i + 1]) * 16 + HexValue(path[i + 2]));
            if (IsUnreserved(decoded))
                out += static_cast<char>(decoded);
            else
                AppendEscaped(out, decoded);
            i += 2;
        } else if (c >= 0x80 || c <= 0x20 || c == 0x7F) {
            AppendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// "*" matches any run of bytes, a final "$" the end of the path; without it the pattern needs
// only match the path's beginning.
bool PatternMatches(std::string_view pattern, std::string_view path) {
    std::string glob(pattern);
    if (!glob.empty() && glob.back() == '$')
        glob.pop_back();
    else
        glob += '*';
    std::size_t p = 0, s = 0;
    std::size_t star = std::string::npos, resume = 0;
    while (s < path.size()) {
        if (p < glob.size() && glob[p] == '*') {
            star = p++;
            resume = s;
        } else if (p < glob.size() && glob[p] == path[s]) {
            ++p;
            ++s;
        } else if (star != std::string::npos) {
            p = star + 1;
            s = ++resume;
        } else {
            return false;
        }
    }
    while (p < glob.size() && glob[p] == '*') ++p;
    return p == glob.size();
}

// Seconds as digits with an optional decimal part; anything else (signs, units, exponents) is
// no delay at all.
std::optional<double> ParseSeconds(std::string_view value) {
    double whole = 0, scale = 1;
    bool digits = false, point = false;
    for (const char c : value) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                scale /= 10;
                whole += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return std::min(whole, kMaxCrawlDelaySeconds);
}

// The rules of the groups that name one kind of agent, merged.
struct Groups {
    bool named = false;
    std::vector<std::pair<std::string, bool>> rules;
    std::optional<double> crawlDelay;

    void Add(std::string_view key, std::string_view value) {
        if (key == "crawl-delay") {
            // Merged groups keep the longest delay: the politest reading of the file.
            if (const auto seconds = ParseSeconds(value))
                crawlDelay = std::max(crawlDelay.value_or(0.0), *seconds);
        } else if (!value.empty()) {
            rules.emplace_back(NormalisePath(value), key == "allow");
        }
    }
};

// The product token of a user-agent line: its value up to the first "/" or blank.
std::string_view ProductToken(std::string_view value) {
    return value.substr(0, value.find_first_of("/ \t"));
}

}  // namespace

RobotsRules RobotsRules::Parse(std::string_view text) {
    if (text.size() > kMaxRobotsBytes) {
        // A line cut at the limit could say less than it meant: it is left out with the rest.
        const bool endsOnLine = text[kMaxRobotsBytes] == '\r' || text[kMaxRobotsBytes] == '\n';
        text = text.substr(0, kMaxRobotsBytes);
        if (!endsOnLine) text = text.substr(0, text.find_last_of("\r\n") + 1);
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

    const std::string ownAgent = text::ToLower(kRobotsAgent);
    Groups own, anyAgent;
    bool inGroup = false, readingAgents = false, forOwn = false, forAny = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end);
        if (!text.empty()) text.remove_prefix(text.starts_with("\r\n") ? 2 : 1);

        line = line.substr(0, line.find('#'));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string key = text::ToLower(Trim(line.substr(0, colon)));
        const std::string_view value = Trim(line.substr(colon + 1));

        if (key == "user-agent") {
            if (!readingAgents) forOwn = forAny = false;
            readingAgents = inGroup = true;
            const std::string token = text::ToLower(ProductToken(value));
            if (token == ownAgent) forOwn = own.named = true;
            if (token == "*") forAny = anyAgent.named = true;
        } else if (key == "allow" || key == "disallow" || key == "crawl-delay") {
            readingAgents = false;
            if (!inGroup) continue;
            if (forOwn) own.Add(key, value);
            if (forAny) anyAgent.Add(key, value);
        }
    }

    const Groups& chosen = own.named ? own : anyAgent;
    RobotsRules result;
    for (const auto& [pattern, allow] : chosen.rules) result.rules_.push_back({pattern, allow});
    result.crawlDelay_ = chosen.crawlDelay;
    return result;
}

RobotsRules RobotsRules::AllowAll() {
    return RobotsRules();
}

RobotsRules RobotsRules::DisallowAll() {
    RobotsRules result;
    result.disallowAll_ = true;
    return result;
}

bool RobotsRules::Allowed(std::string_view pathAndQuery) const {
    const std::string path = NormalisePath(pathAndQuery.empty() ? "/" : pathAndQuery);
    if (path == "/robots.txt") return true;
    if (disallowAll_) return false;
    std::size_t longest = 0;
    bool allowed = true;
    for (const Rule& rule : rules_) {
        if (rule.pattern.size() < longest || !PatternMatches(rule.pattern, path)) continue;
        if (rule.pattern.size() > longest)
            allowed = rule.allow;
        else
            allowed = allowed || rule.allow;
        longest = rule.pattern.size();
    }
    return allowed;
}

std::optional<double> RobotsRules::CrawlDelaySeconds() const {
    return crawlDelay_;
}

}  // namespace ch
