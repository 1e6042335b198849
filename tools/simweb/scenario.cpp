#include "tools/simweb/scenario.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

#include "engine/product.h"
#include "tools/simweb/html_pages.h"
#include "tools/simweb/search_pages.h"

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
    for (const std::string_view port : {":80", ":443"})
        if (parts.host.ends_with(port)) parts.host.resize(parts.host.size() - port.size());
    parts.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    if (parts.path.front() == '?') parts.path = "/" + parts.path;
    return parts;
}

// Whether the address matches the pattern, in which "*" stands for any run of characters.
bool GlobMatches(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
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

Response SoftNotFound(bool asOctetStream) {
    Response response =
        Page("<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head><body>" +
             std::string(300'000, ' ') + "</body></html>\n");
    if (asOctetStream) response.contentType = "application/octet-stream";
    return response;
}

Response Video(std::int64_t size) {
    Response response;
    response.contentType = "application/octet-stream";
    response.generatedSize = size;
    response.lastModified = "Mon, 07 Dec 2026 00:00:00 GMT";
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
    std::string canonical = CanonicalUrl(url);
    if (canonical.find('*') != std::string::npos)
        return std::get<Response>(
            rules_.emplace_back(std::move(canonical), std::move(response)).second);
    return responses_.insert_or_assign(std::move(canonical), std::move(response)).first->second;
}

void Scenario::SetSearchPage(std::string_view url, SearchPage page) {
    rules_.emplace_back(CanonicalUrl(url), std::move(page));
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
    for (const auto& [pattern, rule] : rules_) {
        if (!GlobMatches(pattern, canonical)) continue;
        if (const auto* page = std::get_if<SearchPage>(&rule))
            return SearchAnswer(*page, canonical);
        return std::get<Response>(rule);
    }

    const UrlParts parts = SplitUrl(canonical);
    if (parts.host == kResultsHost && parts.path.starts_with("/search?")) {
        const std::string query = QueryParameter(parts.path, "q");
        const std::string start = QueryParameter(parts.path, "start");
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
