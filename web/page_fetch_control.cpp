#include "web/page_fetch_control.h"

#include <algorithm>

#include "web/download_name.h"
#include "web/page_parser.h"
#include "web/results_page_parser.h"

namespace ch {

bool PageFetchControl::Begin(const Fetch& page) {
    web_.State.Pages.Begin(page.kind);
    pending_.push_back(page);
    if (service_.StartRead(page.address, DownloadName(page), {})) return true;
    Fail(page);
    return false;
}

void PageFetchControl::Complete(const Fetch& page, const std::string& body) {
    // A fetch that has already ended (cancelled, failed) must not count down another one.
    if (!Forget(page)) return;
    web_.State.Pages.Answered(page.kind);
    if (body.size() <= kMaxParsedPageBytes) Parse(page, body);
    // Counted down after parsing: the engine must not go on before the page's links are in.
    web_.State.Pages.End(page.kind);
}

void PageFetchControl::CancelAll() {
    for (const Fetch& page : pending_) service_.CancelRead(DownloadName(page));
    pending_.clear();
    web_.State.Pages.CancelAll();
}

void PageFetchControl::Fail(const Fetch& page) {
    if (Forget(page)) web_.State.Pages.End(page.kind);
}

bool PageFetchControl::Forget(const Fetch& page) {
    const auto found = std::find(pending_.begin(), pending_.end(), page);
    if (found == pending_.end()) return false;
    pending_.erase(found);
    return true;
}

void PageFetchControl::Parse(const Fetch& page, const std::string& body) {
    switch (page.kind) {
        case FetchKind::ResultsPage:
            ParseGoogleListHtml(web_, body);
            break;
        case FetchKind::SitePage:
        case FetchKind::ExpandPage:
            ParsePageHtml(web_, body, page.address);
            break;
        default:
            break;
    }
}

}  // namespace ch
