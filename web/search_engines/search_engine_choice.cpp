#include "engine/text.h"
#include "web/search_engines/results_text.h"
#include "web/search_engines/search_engines.h"

namespace ch {

namespace {

bool IsWebAddress(const std::string& choice) {
    return text::StartsWithNoCase(choice, "http://") || text::StartsWithNoCase(choice, "https://");
}

std::string WithoutTrailingSlashes(std::string base) {
    while (base.ends_with('/')) base.pop_back();
    return base;
}

}  // namespace

std::string SearchEngineChoiceError(const std::string& choice) {
    const std::string named = text::ToLower(choice);
    if (named.empty() || named == kGoogleChoice || named == kDuckDuckGoLiteChoice) return "";
    if (!IsWebAddress(choice))
        return "unknown search engine \"" + choice + "\": use " + kGoogleChoice + ", " +
               kDuckDuckGoLiteChoice + " or the http(s) address of a SearXNG instance";
    const std::string base = WithoutTrailingSlashes(choice);
    if (results::HostOf(base).empty())
        return "the SearXNG address \"" + choice + "\" names no host";
    if (base.find_first_of("?# \t") != std::string::npos)
        return "the SearXNG address \"" + choice + "\" must be a plain base address";
    return "";
}

std::unique_ptr<SearchEngine> MakeSearchEngine(const std::string& choice) {
    if (!SearchEngineChoiceError(choice).empty()) return nullptr;
    const std::string named = text::ToLower(choice);
    if (named == kDuckDuckGoLiteChoice) return std::make_unique<DuckDuckGoLite>();
    if (IsWebAddress(choice))
        return std::make_unique<SearxngSearch>(WithoutTrailingSlashes(choice));
    return std::make_unique<GoogleSearch>();
}

}  // namespace ch
