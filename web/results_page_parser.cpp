#include "web/results_page_parser.h"

#include <algorithm>
#include <string_view>

#include "engine/site_form.h"
#include "engine/text.h"
#include "web/link_lists.h"
#include "web/tag_cursor.h"

namespace ch {

using text::Contains;

namespace {

constexpr std::ptrdiff_t kNone = -1;

// The block's text with its tags removed; a plain br tag (any letter case) becomes a blank.
std::string StripTags(const std::string& block) {
    std::string text;
    text.reserve(block.size());
    size_t pos = 0;
    while (true) {
        const size_t open = block.find('<', pos);
        const size_t close = open == std::string::npos ? open : block.find('>', open + 1);
        if (close == std::string::npos) break;
        text.append(block, pos, open - pos);
        if (text::ToLower(std::string_view(block).substr(open + 1, close - open - 1)) == "br")
            text += ' ';
        pos = close + 1;
    }
    text.append(block, pos);
    return text;
}

void ScanBlock(WebContext& web, const std::string& block, bool showStatus) {
    const std::string text = StripTags(text::ReplaceAll(block, "&nbsp;", " "));
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        start = end + 1;
        if (!Contains(word, ".") || !Contains(word, "/")) continue;
        if (!word.ends_with('/')) word += '/';
        if (!Contains(text::ToLower(word), "http")) word = "http://" + word;
        if (showStatus) web.Report.Status("Get new link ...");
        AddSiteLink(web, word);
    }
}

std::string Between(const std::string& html, std::ptrdiff_t after, std::ptrdiff_t before) {
    const auto from = static_cast<size_t>(after + 1);
    return html.substr(from, static_cast<size_t>(before) - from);
}

}  // namespace

bool ParseGoogleListHtml(WebContext& web, const std::string& html) {
    web.Report.Status("Parsing ...");
    std::string loweredPage;
    std::ptrdiff_t lastTable = kNone;     // ">" of the latest table tag
    std::ptrdiff_t lastTableEnd = kNone;  // ">" of the latest end-of-table tag
    bool tableClosed = false;
    TagCursor tag(html);
    while (tag.Next()) {
        if (web.State.StopRequested) return false;
        const std::string& tagName = tag.Name();
        const auto openAt = static_cast<std::ptrdiff_t>(tag.Open());
        const size_t close = tag.Close();
        if (tagName == "table") {
            if (tableClosed)
                ScanBlock(web, Between(html, std::max(lastTable, lastTableEnd), openAt), true);
            lastTable = static_cast<std::ptrdiff_t>(close);
        } else if (tagName == "/table") {
            tableClosed = true;
            lastTableEnd = static_cast<std::ptrdiff_t>(close);
            ScanBlock(web, text::TrimSpaces(Between(html, lastTable, openAt)), false);
        } else if (tagName == "style" || tagName == "script") {
            // Skip to the end of the closing tag; without one, nothing readable follows.
            if (loweredPage.empty()) loweredPage = text::ToLower(html);
            const std::string closing = "</" + tagName + ">";
            const size_t found = loweredPage.find(closing, close);
            if (found == std::string::npos) return true;
            tag.ResumeAfter(found + closing.size() - 1);
        }
    }
    return true;
}

void AddSiteLink(WebContext& web, std::string address) {
    const std::string host = GetHostUrl(address);
    RunState& state = web.State;
    if (state.DeniedHosts.Contains(host)) return;
    if (Contains(address, "///")) return;
    address = CutAtFirstEmbeddedAddress(address);
    web.Pump.Yield();
    if (state.SiteLinkCount() < 1) {
        state.SiteLinks.Append(address);
        web.Report.Status(address);
        return;
    }
    if (!state.SiteLinks.Contains(address)) state.SiteLinks.Append(address);
}

}  // namespace ch
