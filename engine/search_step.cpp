#include "engine/search_step.h"

#include "engine/query_plan.h"

namespace ch {
namespace {

constexpr int kResultsPerPage = 100;

// Fetches results pages while each one adds site links.
void PageThroughResults(EngineSession& session) {
    RunState& state = session.State;
    const std::string& query = state.PageBatch[0];
    state.ResultPages = {ResultsPageAddress(query, 0)};
    state.ResultPageNext = 0;
    state.ResultPageCount = 1;
    state.ResultStart = 0;
    while (true) {
        const int countBefore = state.SiteLinkCount();
        if (state.ResultPageNext < state.ResultPageCount) {
            session.Yield();
            session.Status("Parsing another google page ...");
            session.Ports.Control.BeginHtmlDownload(
                {FetchKind::ResultsPage,
                 state.ResultPages[static_cast<size_t>(state.ResultPageNext)]});
            ++state.ResultPageNext;
            ++state.ResultPageCount;
        }
        session.WaitForPages(FetchKind::ResultsPage, session.Now());
        if (state.SiteLinkCount() <= countBefore) return;
        state.ResultStart += kResultsPerPage;
        state.ResultPages.resize(static_cast<size_t>(state.ResultPageNext) + 1);
        state.ResultPages[static_cast<size_t>(state.ResultPageNext)] =
            ResultsPageAddress(query, state.ResultStart);
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
