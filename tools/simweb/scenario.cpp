#include "tools/simweb/scenario.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

#include "engine/product.h"
#include "tools/simweb/html_pages.h"

namespace ch::simweb {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

struct UrlParts {
    std::string host;  // lower case, without the default port
    std::string path;  // path and query, at least "/"
};

UrlParts SplitUrl(std::string_view url) {
    const auto scheme = url.find("://");
    if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
    const auto slash = url.find_first_of("/?");
    UrlParts parts;
    parts.host = Lower(url.substr(0, slash));
    if (parts.host.ends_with(":80")) parts.host.resize(parts.host.size() - 3);
    parts.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    if (parts.path.front() == '?') parts.path = "/" + parts.path;
    return parts;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "+" stands for a blank; %XX escapes are decoded, broken ones kept as they are.
std::string DecodeQueryValue(std::string_view value) {
    std::string decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '+') {
            decoded += ' ';
        } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
                   HexValue(value[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            decoded += value[i];
        }
    }
    return decoded;
}

std::string QueryValue(std::string_view path, std::string_view key) {
    const auto question = path.find('?');
    if (question == std::string_view::npos) return {};
    std::string_view query = path.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == key)
            return equals == std::string_view::npos ? ""
                                                    : DecodeQueryValue(pair.substr(equals + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

}  // namespace

std::int64_t Response::BodySize() const {
    return generatedSize >= 0 ? generatedSize : static_cast<std::int64_t>(body.size());
}

Response Page(std::string html) {
    Response response;
    response.body = std::move(html);
    return response;
}

Response Video(std::int64_t size) {
    Response response;
    response.contentType = "application/octet-stream";
    response.generatedSize = size;
    return response;
}

Response Redirect(std::string target, int status) {
    Response response;
    response.status = status;
    response.location = std::move(target);
    response.body = "<html><body>Moved</body></html>\n";
    return response;
}

Response Status(int status) {
    Response response;
    response.status = status;
    response.body = "<html><body>Status " + std::to_string(status) + "</body></html>\n";
    return response;
}

Response GzipBomb(std::int64_t inflatedSize) {
    Response response;
    response.encoding = "gzip";
    z_stream zip{};
    deflateInit2(&zip, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);  // gzip
    std::string zeros(64 * 1024, '\0');
    std::string out(64 * 1024, '\0');
    for (std::int64_t left = inflatedSize;;) {
        const auto piece = std::min<std::int64_t>(left, static_cast<std::int64_t>(zeros.size()));
        left -= piece;
        zip.next_in = reinterpret_cast<Bytef*>(zeros.data());
        zip.avail_in = static_cast<uInt>(piece);
        do {
            zip.next_out = reinterpret_cast<Bytef*>(out.data());
            zip.avail_out = static_cast<uInt>(out.size());
            deflate(&zip, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            response.body.append(out.data(), out.size() - zip.avail_out);
        } while (zip.avail_out == 0);
        if (left == 0) break;
    }
    deflateEnd(&zip);
    return response;
}

std::string CanonicalUrl(std::string_view url) {
    const UrlParts parts = SplitUrl(url);
    return "http://" + parts.host + parts.path;
}

Response& Scenario::Set(std::string_view url, Response response) {
    return responses_.insert_or_assign(CanonicalUrl(url), std::move(response)).first->second;
}

Response& Scenario::SetLinkPage(std::string_view url, const std::vector<std::string>& links) {
    return Set(url, Page(LinkPageHtml(std::string(url), links)));
}

void Scenario::SetGeneratedLinkPage(std::string_view url, std::int64_t first, std::int64_t count,
                                    std::vector<std::string> links) {
    generatedPages_.insert_or_assign(CanonicalUrl(url),
                                     GeneratedLinkPage{first, count, std::move(links)});
}

void Scenario::SetResults(const std::string& query, std::vector<std::string> addressTexts) {
    results_.insert_or_assign(query, std::move(addressTexts));
}

Response Scenario::Answer(std::string_view url) const {
    const std::string canonical = CanonicalUrl(url);
    if (const auto found = responses_.find(canonical); found != responses_.end())
        return found->second;
    if (const auto found = generatedPages_.find(canonical); found != generatedPages_.end())
        return Page(GeneratedLinkPageHtml(canonical, found->second.first, found->second.count,
                                          found->second.links));

    const UrlParts parts = SplitUrl(canonical);
    if (parts.host == kResultsHost && parts.path.starts_with("/search?")) {
        const std::string query = QueryValue(parts.path, "q");
        const std::string start = QueryValue(parts.path, "start");
        auto entry = results_.find(query);
        if (entry == results_.end()) entry = results_.find("*");
        const bool firstPage = start.empty() || start == "0";
        if (!firstPage || entry == results_.end()) return Page(ResultsPageHtml(query, {}));
        return Page(ResultsPageHtml(query, entry->second));
    }
    if (parts.host == SplitUrl(kProductWebPage).host)
        return Page("<html><head><title>ClipHarvester</title></head><body>" + canonical +
                    "</body></html>\n");
    return Status(404);
}

}  // namespace ch::simweb
