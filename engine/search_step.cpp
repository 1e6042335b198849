#include "engine/search_step.h"

#include "engine/query_plan.h"

namespace ch {
namespace {

// Fetches results pages while each one adds site links and names a next one; a refusal ends
// the paging at once.
void PageThroughResults(EngineSession& session) {
    RunState& state = session.State;
    if (!state.Search) throw RunFailure("no search engine chosen");
    const std::string& query = state.PageBatch[0];
    state.ResultPages = {state.Search->FirstPage(query)};
    state.ResultPageNext = 0;
    state.ResultPageCount = 1;
    while (true) {
        const int countBefore = state.SiteLinkCount();
        if (state.ResultPageNext < state.ResultPageCount) {
            session.Yield();
            session.Status("Parsing another google page ...");
            state.NextResultsPage.clear();
            session.Ports.Control.BeginHtmlDownload(
                {FetchKind::ResultsPage,
                 state.ResultPages[static_cast<size_t>(state.ResultPageNext)]});
            ++state.ResultPageNext;
            ++state.ResultPageCount;
        }
        session.WaitForPages(FetchKind::ResultsPage, session.Now());
        if (state.SiteLinkCount() <= countBefore || state.NextResultsPage.empty()) return;
        state.ResultPages.resize(static_cast<size_t>(state.ResultPageNext) + 1);
        state.ResultPages[static_cast<size_t>(state.ResultPageNext)] = state.NextResultsPage;
    }
}

}  // namespace

void RunSearchStep(EngineSession& session) {
    RunState& state = session.State;
    ListFileRead all = session.ReadList(ListSuffix::AllSites);
    const bool historyExists = all.State == ListFileState::Read;
    for (auto& entry : all.Entries) state.SiteLinks.Append(std::move(entry));
    const int loadedCount = state.SiteLinkCount();
    if (historyExists) {
        // A pending list that went missing beside the history counts as empty.
        state.SearchListLines =
            static_cast<int>(session.ReadList(ListSuffix::PendingSites).Entries.size());
    }

    PageThroughResults(session);
    state.SearchSitesFound = state.SiteLinkCount() - loadedCount;
    session.Yield();

    // The pending list is written first: should the second write fail, a link may be visited
    // twice but none is lost.
    const auto& links = state.SiteLinks.Items();
    if (!historyExists) {
        session.WriteList(ListSuffix::PendingSites, links);
        session.WriteList(ListSuffix::AllSites, links);
    } else if (loadedCount < state.SiteLinkCount()) {
        const std::vector<std::string> found(links.begin() + loadedCount, links.end());
        session.AppendList(ListSuffix::PendingSites, found, state.SearchListLines + 1);
        session.AppendList(ListSuffix::AllSites, found, loadedCount + 1);
    }
}

}  // namespace ch
