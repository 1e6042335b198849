#include <nlohmann/json.hpp>

#include "engine/text.h"
#include "web/search_engines/results_text.h"
#include "web/search_engines/search_engines.h"

namespace ch {

namespace {

constexpr int kLastPage = 10;  // pageno runs from 1; later pages rarely bring anything new

using nlohmann::json;

ResultsRead Refusal(std::string why) {
    ResultsRead read;
    read.Verdict = ResultsVerdict::Refused;
    read.Why = std::move(why);
    return read;
}

// Why the instance would not answer, or "".
std::string RefusalWhy(const ResultsAnswer& answer) {
    if (results::FailedWithStatus(answer.Failure, 403))
        return "JSON is disabled: enable json in search.formats of the instance's settings.yml";
    if (results::FailedWithStatus(answer.Failure, 429)) return "its limiter refused (HTTP 429)";
    return results::RefusedStatusWhy(answer.Failure);
}

// "google (CAPTCHA), qwant (timeout)" from [[name, reason], ...].
std::string UnresponsiveEngines(const json& list) {
    std::string names;
    for (const json& entry : list) {
        std::string named;
        if (entry.is_string()) {
            named = entry.get<std::string>();
        } else if (entry.is_array() && !entry.empty() && entry[0].is_string()) {
            named = entry[0].get<std::string>();
            if (entry.size() > 1 && entry[1].is_string() && !entry[1].get<std::string>().empty())
                named += " (" + entry[1].get<std::string>() + ")";
        }
        if (named.empty()) continue;
        if (!names.empty()) names += ", ";
        names += named;
    }
    return names;
}

}  // namespace

std::string SearxngSearch::Name() const {
    return "SearXNG at " + base_;
}

std::string SearxngSearch::PageAddress(const std::string& query, int pageNumber) const {
    return base_ + "/search?q=" + text::PercentEncode(query) +
           "&format=json&pageno=" + std::to_string(pageNumber);
}

std::string SearxngSearch::FirstPage(const std::string& query) const {
    return PageAddress(query, 1);
}

ResultsRead SearxngSearch::Read(const ResultsAnswer& answer, const std::string& query,
                                int page) const {
    if (auto unread = results::UnreadAnswer(answer, RefusalWhy(answer))) return *unread;
    const json answerJson = json::parse(answer.Body, nullptr, /*allow_exceptions=*/false);
    const auto found = answerJson.is_object() ? answerJson.find("results") : answerJson.end();
    if (!answerJson.is_object() || found == answerJson.end() || !found->is_array())
        return Refusal("not a SearXNG JSON answer");
    ResultsRead read;
    for (const json& result : *found) {
        if (!result.is_object()) continue;
        const auto url = result.find("url");
        if (url == result.end() || !url->is_string()) continue;
        results::AddSite(read.Sites, results::SiteFromHref(url->get<std::string>()));
    }
    if (read.Sites.empty()) {
        const auto silent = answerJson.find("unresponsive_engines");
        if (silent != answerJson.end() && silent->is_array()) {
            const std::string names = UnresponsiveEngines(*silent);
            if (!names.empty()) return Refusal("its engines did not answer: " + names);
        }
        return read;
    }
    read.Verdict = ResultsVerdict::Results;
    if (page + 1 < kLastPage) read.NextPage = PageAddress(query, page + 2);
    return read;
}

}  // namespace ch
