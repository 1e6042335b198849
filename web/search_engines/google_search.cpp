#include "engine/query_plan.h"
#include "engine/text.h"
#include "web/search_engines/results_text.h"
#include "web/search_engines/search_engines.h"
#include "web/tag_cursor.h"

namespace ch {

namespace {

constexpr size_t kSmallSorryPage = 2000;  // a CAPTCHA page is short; a results page is not

// Why Google would not answer a program, or "".
std::string RefusalWhy(const ResultsAnswer& answer) {
    std::string why = results::RefusedStatusWhy(answer.Failure);
    if (!why.empty()) return why;
    const std::string redirect = text::ToLower(answer.RedirectedTo);
    if (text::Contains(redirect, "/sorry/") || text::Contains(redirect, "sorry.google.com"))
        return "a CAPTCHA page";
    if (results::HostOf(redirect).starts_with("consent.")) return "a consent page";
    if (text::Contains(answer.Body, "enablejs")) return "a JavaScript gate";
    if (answer.Body.size() < kSmallSorryPage && text::Contains(answer.Body, "/sorry/"))
        return "a CAPTCHA page";
    return "";
}

bool IsGoogleHost(const std::string& host) {
    return host.starts_with("google.") || text::Contains(host, ".google.");
}

}  // namespace

std::string GoogleSearch::Name() const {
    return "Google";
}

std::string GoogleSearch::FirstPage(const std::string& query) const {
    return ResultsPageAddress(query, 0);
}

ResultsRead GoogleSearch::Read(const ResultsAnswer& answer, const std::string& query,
                               int page) const {
    if (auto unread = results::UnreadAnswer(answer, RefusalWhy(answer))) return *unread;
    ResultsRead read;
    results::ReadTableBlockSites(
        answer.Body, [] { return true; },
        [&](std::string site, bool) { results::AddSite(read.Sites, std::move(site)); });
    TagCursor tag(answer.Body);
    while (tag.Next()) {
        if (results::TagName(tag.Text()) != "a") continue;
        bool wrapped = false;
        const std::string target =
            results::UnwrapResultHref(results::AttributeValue(tag.Text(), "href"), &wrapped);
        if (!wrapped || IsGoogleHost(results::HostOf(target))) continue;
        results::AddSite(read.Sites, results::SiteFromHref(target));
    }
    if (read.Sites.empty()) return read;
    read.Verdict = ResultsVerdict::Results;
    read.NextPage = ResultsPageAddress(query, (page + 1) * 100);
    return read;
}

}  // namespace ch
