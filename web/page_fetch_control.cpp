#include "web/page_fetch_control.h"

#include <algorithm>

#include "engine/status_texts.h"
#include "web/download_name.h"
#include "web/page_parser.h"
#include "web/results_page_parser.h"

namespace ch {

bool PageFetchControl::Begin(const Fetch& page) {
    Park(page);
    if (page.kind == FetchKind::ResultsPage) resultsRedirect_.clear();
    if (service_.StartRead(page.address, DownloadName(page), {})) return true;
    Fail(page);
    return false;
}

void PageFetchControl::Park(const Fetch& page) {
    web_.State.Pages.Begin(page.kind);
    pending_.push_back(page);
}

void PageFetchControl::Start(const Fetch& page) {
    if (IsPending(page) && !service_.StartRead(page.address, DownloadName(page), {})) Fail(page);
}

bool PageFetchControl::IsPending(const Fetch& page) const {
    return std::find(pending_.begin(), pending_.end(), page) != pending_.end();
}

void PageFetchControl::Complete(const Fetch& page, const std::string& body) {
    // A fetch that has already ended (cancelled, failed) must not count down another one.
    if (!Forget(page)) return;
    web_.State.Pages.Answered(page.kind);
    if (page.kind == FetchKind::ResultsPage)
        ReadResults({{}, resultsRedirect_, body.size() <= kMaxParsedPageBytes ? body : ""});
    else if (body.size() <= kMaxParsedPageBytes)
        Parse(page, body);
    // Counted down after parsing: the engine must not go on before the page's links are in.
    web_.State.Pages.End(page.kind);
}

void PageFetchControl::CancelAll() {
    for (const Fetch& page : pending_) service_.CancelRead(DownloadName(page));
    pending_.clear();
    web_.State.Pages.CancelAll();
}

void PageFetchControl::Fail(const Fetch& page, const std::string& why) {
    if (!Forget(page)) return;
    if (page.kind == FetchKind::ResultsPage)
        ReadResults({why.empty() ? "no answer" : why, resultsRedirect_, {}});
    web_.State.Pages.End(page.kind);
}

void PageFetchControl::Redirected(const Fetch& page, const std::string& target) {
    if (std::find(pending_.begin(), pending_.end(), page) != pending_.end())
        resultsRedirect_ = target;
}

void PageFetchControl::ReadResults(const ResultsAnswer& answer) {
    RunState& state = web_.State;
    if (!state.Search) return;
    web_.Report.Status("Parsing ...");
    const std::string query = state.PageBatch.empty() ? std::string() : state.PageBatch[0];
    const ResultsRead read =
        state.Search->Read(answer, query, std::max(state.ResultPageNext - 1, 0));
    if (read.Verdict == ResultsVerdict::Refused) {
        if (state.SearchRefusal.empty()) {
            state.SearchRefusal = SearchRefusalText(state.Search->Name(), read.Why);
            web_.Report.Status(state.SearchRefusal);
        }
        return;
    }
    // A page that never arrived is no answer: the query is asked again in a later run.
    if (!answer.Failure.empty()) return;
    state.SearchAnswered = true;
    for (const std::string& site : read.Sites) {
        if (state.StopRequested) return;
        web_.Report.Status("Get new link ...");
        AddSiteLink(web_, site);
    }
    state.NextResultsPage = read.NextPage;
}

bool PageFetchControl::Forget(const Fetch& page) {
    const auto found = std::find(pending_.begin(), pending_.end(), page);
    if (found == pending_.end()) return false;
    pending_.erase(found);
    return true;
}

void PageFetchControl::Parse(const Fetch& page, const std::string& body) {
    switch (page.kind) {
        case FetchKind::SitePage:
        case FetchKind::ExpandPage:
            ParsePageHtml(web_, body, page.address);
            break;
        default:
            break;
    }
}

}  // namespace ch
