#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/text.h"
#include "web/search_engines/results_text.h"
#include "web/search_engines/search_engines.h"
#include "web/tag_cursor.h"

namespace ch {

namespace {

constexpr const char* kLitePage = "https://lite.duckduckgo.com/lite/";

std::string RefusalWhy(const ResultsAnswer& answer) {
    std::string why = results::RefusedStatusWhy(answer.Failure);
    if (!why.empty()) return why;
    for (const char* mark : {"anomaly-modal", "challenge-form", "anomaly.js"})
        if (text::Contains(answer.Body, mark)) return "an anomaly (bot) check";
    return "";
}

struct Hit {
    std::string site;
    bool printed;  // from the printed address rather than the link
};

// The next-page form's hidden fields as a GET address; "" when the page has no such form.
class NextForm {
  public:
    void Tag(const TagCursor& tag, const std::string& name) {
        if (name == "form") {
            inForm_ = true;
            isNext_ = false;
            fields_.clear();
        } else if (name == "/form") {
            if (inForm_ && isNext_ && address_.empty() && !fields_.empty()) address_ = Build();
            inForm_ = false;
        } else if (name == "input" && inForm_) {
            const std::string type = text::ToLower(results::AttributeValue(tag.Text(), "type"));
            const std::string value = results::AttributeValue(tag.Text(), "value");
            if (type == "submit" && text::Contains(text::ToLower(value), "next")) isNext_ = true;
            if (type == "hidden")
                fields_.emplace_back(results::AttributeValue(tag.Text(), "name"), value);
        }
    }
    const std::string& Address() const { return address_; }

  private:
    std::string Build() const {
        std::string address = std::string(kLitePage) + "?";
        for (const auto& [name, value] : fields_) {
            if (name.empty()) continue;
            if (address.back() != '?') address += '&';
            address += text::PercentEncode(name) + "=" + text::PercentEncode(value);
        }
        return address;
    }
    bool inForm_ = false;
    bool isNext_ = false;
    std::vector<std::pair<std::string, std::string>> fields_;
    std::string address_;
};

}  // namespace

std::string DuckDuckGoLite::Name() const {
    return "DuckDuckGo lite";
}

std::string DuckDuckGoLite::FirstPage(const std::string& query) const {
    return std::string(kLitePage) + "?q=" + text::PercentEncode(query);
}

ResultsRead DuckDuckGoLite::Read(const ResultsAnswer& answer, const std::string&, int) const {
    if (auto unread = results::UnreadAnswer(answer, RefusalWhy(answer))) return *unread;
    ResultsRead read;
    const std::string& body = answer.Body;
    std::vector<Hit> hits;
    std::vector<std::string> linkedPlaces;
    NextForm next;
    const std::string lowered = text::ToLower(body);
    TagCursor tag(body);
    while (tag.Next()) {
        const std::string name = results::TagName(tag.Text());
        if (name == "a" && results::HasClass(tag.Text(), "result-link")) {
            const std::string site = results::SiteFromHref(
                results::UnwrapResultHref(results::AttributeValue(tag.Text(), "href")));
            if (site.empty()) continue;
            linkedPlaces.push_back(results::SamePlaceKey(site));
            hits.push_back({site, false});
        } else if (name == "span" && results::HasClass(tag.Text(), "link-text")) {
            const size_t end = lowered.find("</span", tag.Close());
            const std::string_view printed =
                std::string_view(body).substr(tag.Close() + 1, end - tag.Close() - 1);
            for (std::string& word : results::SplitWords(results::StripTags(printed))) {
                std::string site = results::SiteFromPrintedWord(std::move(word));
                if (!site.empty()) hits.push_back({std::move(site), true});
            }
        } else {
            next.Tag(tag, name);
        }
    }
    for (Hit& hit : hits) {
        if (hit.printed && std::find(linkedPlaces.begin(), linkedPlaces.end(),
                                     results::SamePlaceKey(hit.site)) != linkedPlaces.end())
            continue;
        results::AddSite(read.Sites, std::move(hit.site));
    }
    if (read.Sites.empty()) return read;
    read.Verdict = ResultsVerdict::Results;
    read.NextPage = next.Address();
    return read;
}

}  // namespace ch
