#include "web/search_engines/results_text.h"

#include <algorithm>
#include <cstdint>

#include "engine/text.h"
#include "web/link_lists.h"
#include "web/tag_cursor.h"

namespace ch::results {

namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character a numeric entity body ("#39", "#x27") stands for, or false.
bool NumericEntity(std::string_view body, std::string& out) {
    if (body.size() < 2 || body[0] != '#') return false;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7) return false;
    std::uint32_t code = 0;
    for (const char c : digits) {
        const int value = hex ? HexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (value < 0) return false;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    AppendUtf8(out, code);
    return true;
}

std::string Base64UrlDecode(std::string_view text) {
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '-' || c == '+')
            value = 62;
        else if (c == '_' || c == '/')
            value = 63;
        else if (c == '=')
            break;
        else
            return "";
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// Where the host of an address starts: after "scheme://" or a leading "//"; npos without one.
size_t HostStart(std::string_view address) {
    const size_t scheme = address.find("://");
    if (scheme != std::string_view::npos &&
        address.find_first_of("/?#") == scheme + 1)  // the "//" of "://" is the first slash
        return scheme + 3;
    if (address.starts_with("//")) return 2;
    return std::string_view::npos;
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) break;
        out.append(text, pos, amp - pos);
        pos = amp + 1;
        const size_t semi = text.find(';', amp + 1);
        if (semi == std::string_view::npos || semi - amp > 10) {
            out += '&';
            continue;
        }
        const std::string body = text::ToLower(text.substr(amp + 1, semi - amp - 1));
        const size_t before = out.size();
        if (body == "amp")
            out += '&';
        else if (body == "lt")
            out += '<';
        else if (body == "gt")
            out += '>';
        else if (body == "quot")
            out += '"';
        else if (body == "apos")
            out += '\'';
        else if (body == "nbsp")
            out += kNoBreakSpace;
        else
            NumericEntity(text.substr(amp + 1, semi - amp - 1), out);
        if (out.size() == before)
            out += '&';  // not one we read: keep it as written
        else
            pos = semi + 1;
    }
    if (pos < text.size()) out.append(text, pos);
    return out;
}

std::string StripTags(std::string_view block) {
    std::string text;
    text.reserve(block.size());
    size_t pos = 0;
    while (true) {
        const size_t open = block.find('<', pos);
        const size_t close = open == std::string_view::npos ? open : block.find('>', open + 1);
        if (close == std::string_view::npos) break;
        text.append(block, pos, open - pos);
        const std::string name = text::ToLower(block.substr(open + 1, close - open - 1));
        if (name == "br" || name == "br/" || name == "br /") text += ' ';
        pos = close + 1;
    }
    text.append(block, pos);
    return text;
}

std::vector<std::string> SplitWords(std::string_view text) {
    const std::string decoded = DecodeEntities(text);
    std::vector<std::string> words;
    std::string word;
    for (size_t i = 0; i < decoded.size(); ++i) {
        const bool noBreak = std::string_view(decoded).substr(i).starts_with(kNoBreakSpace);
        if (!IsBlank(decoded[i]) && !noBreak) {
            word += decoded[i];
            continue;
        }
        if (noBreak) ++i;
        if (!word.empty()) words.push_back(std::move(word));
        word.clear();
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string QueryValue(std::string_view address, std::string_view name) {
    const size_t query = address.find('?');
    if (query == std::string_view::npos) return "";
    std::string_view rest = address.substr(query + 1);
    rest = rest.substr(0, rest.find('#'));
    while (!rest.empty()) {
        const size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        const size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name)
            return equals == std::string_view::npos ? "" : PercentDecode(pair.substr(equals + 1));
        if (amp == std::string_view::npos) break;
        rest = rest.substr(amp + 1);
    }
    return "";
}

std::string UnwrapResultHref(std::string_view href, bool* wrapped) {
    if (wrapped) *wrapped = true;
    std::string link = DecodeEntities(href);
    while (!link.empty() && IsBlank(link.back())) link.pop_back();
    link.erase(0, std::min(link.size(), link.find_first_not_of(" \t\r\n\f\v")));
    const std::string host = HostOf(link);
    const size_t hostStart = HostStart(link);
    const std::string_view path =
        hostStart == std::string::npos
            ? std::string_view(link)
            : std::string_view(link).substr(std::min(link.size(), link.find('/', hostStart)));
    const bool google =
        host.empty() || host.starts_with("google.") || host.starts_with("www.google.");
    if (google && path.starts_with("/url?")) {
        const std::string target = QueryValue(path, "q");
        return target.empty() ? QueryValue(path, "url") : target;
    }
    if ((host.empty() || host.ends_with("duckduckgo.com")) && path.starts_with("/l/?"))
        return QueryValue(path, "uddg");
    if (host.ends_with("bing.com") && path.starts_with("/ck/a?")) {
        const std::string target = QueryValue(path, "u");
        return target.starts_with("a1") ? Base64UrlDecode(std::string_view(target).substr(2)) : "";
    }
    const size_t ru = link.find("/RU=");
    if (text::Contains(host, "yahoo.") && ru != std::string::npos) {
        const std::string_view target = std::string_view(link).substr(ru + 4);
        return PercentDecode(target.substr(0, target.find("/R")));
    }
    if (wrapped) *wrapped = false;
    return link;
}

std::string SiteFromPrintedWord(std::string word) {
    if (!text::Contains(word, ".") || !text::Contains(word, "/")) return "";
    if (!word.ends_with('/')) word += '/';
    // Text before an address printed inside the word is no part of it; and a word that only
    // holds "http" somewhere ("myhttpsite.com/") still needs its scheme.
    word = CutAtFirstEmbeddedAddress(word);
    if (!text::StartsWithNoCase(word, "http://") && !text::StartsWithNoCase(word, "https://"))
        word = "http://" + word;
    return word;
}

std::string SiteFromHref(const std::string& url) {
    const std::string lowered = text::ToLower(url);
    if (!lowered.starts_with("http://") && !lowered.starts_with("https://")) return "";
    if (std::any_of(url.begin(), url.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; }))
        return "";
    const size_t hostStart = url.find("://") + 3;
    const size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == hostStart || hostStart == url.size()) return "";
    if (hostEnd == std::string::npos) return url + "/";
    if (url[hostEnd] != '/') return url.substr(0, hostEnd) + "/" + url.substr(hostEnd);
    return url;
}

std::string HostOf(std::string_view address) {
    const size_t start = HostStart(address);
    if (start == std::string_view::npos) return "";
    const std::string_view host =
        address.substr(start, address.find_first_of("/?#", start) - start);
    const size_t at = host.rfind('@');
    const std::string_view named = at == std::string_view::npos ? host : host.substr(at + 1);
    return text::ToLower(named.substr(0, named.find(':')));
}

std::string SamePlaceKey(std::string_view address) {
    std::string host = HostOf(address);
    if (host.starts_with("www.")) host.erase(0, 4);
    const size_t start = HostStart(address);
    std::string_view path;
    if (start != std::string_view::npos) {
        const size_t slash = address.find_first_of("/?#", start);
        if (slash != std::string_view::npos) path = address.substr(slash);
    }
    path = path.substr(0, path.find_first_of("?#"));
    while (path.ends_with('/')) path.remove_suffix(1);
    return host + std::string(path);
}

std::string AttributeValue(std::string_view tagText, std::string_view name, bool* found) {
    if (found) *found = false;
    size_t pos = 0;
    // Skip the tag name.
    while (pos < tagText.size() && !IsBlank(tagText[pos])) ++pos;
    while (pos < tagText.size()) {
        while (pos < tagText.size() && (IsBlank(tagText[pos]) || tagText[pos] == '/')) ++pos;
        const size_t nameStart = pos;
        while (pos < tagText.size() && !IsBlank(tagText[pos]) && tagText[pos] != '=' &&
               tagText[pos] != '/')
            ++pos;
        const std::string attribute = text::ToLower(tagText.substr(nameStart, pos - nameStart));
        while (pos < tagText.size() && IsBlank(tagText[pos])) ++pos;
        std::string_view value;
        if (pos < tagText.size() && tagText[pos] == '=') {
            ++pos;
            while (pos < tagText.size() && IsBlank(tagText[pos])) ++pos;
            if (pos < tagText.size() && (tagText[pos] == '"' || tagText[pos] == '\'')) {
                const char quote = tagText[pos++];
                const size_t end = std::min(tagText.size(), tagText.find(quote, pos));
                value = tagText.substr(pos, end - pos);
                pos = end + 1;
            } else {
                const size_t valueStart = pos;
                while (pos < tagText.size() && !IsBlank(tagText[pos])) ++pos;
                value = tagText.substr(valueStart, pos - valueStart);
            }
        }
        if (!attribute.empty() && attribute == name) {
            if (found) *found = true;
            return DecodeEntities(value);
        }
        if (nameStart == pos) ++pos;  // a stray "=" or quote: step over it
    }
    return "";
}

bool HasClass(std::string_view tagText, std::string_view name) {
    const std::vector<std::string> classes = SplitWords(AttributeValue(tagText, "class"));
    return std::find(classes.begin(), classes.end(), name) != classes.end();
}

std::string TagName(std::string_view tagText) {
    size_t end = 0;
    while (end < tagText.size() && !IsBlank(tagText[end])) ++end;
    return text::ToLower(tagText.substr(0, end));
}

bool ReadTableBlockSites(const std::string& html, const std::function<bool()>& keepGoing,
                         const std::function<void(std::string site, bool betweenTables)>& take) {
    constexpr std::ptrdiff_t kNone = -1;
    const auto scan = [&](std::ptrdiff_t after, std::ptrdiff_t before, bool betweenTables) {
        const auto from = static_cast<size_t>(after + 1);
        const std::string_view block =
            std::string_view(html).substr(from, static_cast<size_t>(before) - from);
        for (std::string& word : SplitWords(StripTags(block))) {
            std::string site = SiteFromPrintedWord(std::move(word));
            if (!site.empty()) take(std::move(site), betweenTables);
        }
    };
    std::string loweredPage;
    std::ptrdiff_t lastTable = kNone;     // ">" of the latest table tag
    std::ptrdiff_t lastTableEnd = kNone;  // ">" of the latest end-of-table tag
    bool tableClosed = false;
    TagCursor tag(html);
    while (tag.Next()) {
        if (!keepGoing()) return false;
        const std::string name = TagName(tag.Lowered());
        const auto openAt = static_cast<std::ptrdiff_t>(tag.Open());
        const size_t close = tag.Close();
        if (name == "table") {
            if (tableClosed) scan(std::max(lastTable, lastTableEnd), openAt, true);
            lastTable = static_cast<std::ptrdiff_t>(close);
        } else if (name == "/table") {
            tableClosed = true;
            lastTableEnd = static_cast<std::ptrdiff_t>(close);
            scan(lastTable, openAt, false);
        } else if (name == "style" || name == "script") {
            // Skip to the end of the closing tag; without one, nothing readable follows.
            if (loweredPage.empty()) loweredPage = text::ToLower(html);
            const std::string closing = "</" + name + ">";
            const size_t found = loweredPage.find(closing, close);
            if (found == std::string::npos) return true;
            tag.ResumeAfter(found + closing.size() - 1);
        }
    }
    return true;
}

bool FailedWithStatus(std::string_view failure, int status) {
    const std::string code = "HTTP status " + std::to_string(status);
    for (size_t at = failure.find(code); at != std::string_view::npos;
         at = failure.find(code, at + 1)) {
        const size_t after = at + code.size();
        if (after == failure.size() || failure[after] < '0' || failure[after] > '9') return true;
    }
    return false;
}

std::string RefusedStatusWhy(std::string_view failure) {
    if (FailedWithStatus(failure, 429)) return "HTTP 429, too many requests";
    if (FailedWithStatus(failure, 403)) return "HTTP 403, forbidden";
    if (FailedWithStatus(failure, 503)) return "HTTP 503, service unavailable";
    return "";
}

std::optional<ResultsRead> UnreadAnswer(const ResultsAnswer& answer, std::string refusalWhy) {
    if (refusalWhy.empty() && answer.Failure.empty()) return std::nullopt;
    ResultsRead read;
    if (!refusalWhy.empty()) read.Verdict = ResultsVerdict::Refused;
    read.Why = refusalWhy.empty() ? answer.Failure : std::move(refusalWhy);
    return read;
}

void AddSite(std::vector<std::string>& sites, std::string site) {
    if (site.empty() || std::find(sites.begin(), sites.end(), site) != sites.end()) return;
    sites.push_back(std::move(site));
}

}  // namespace ch::results
