#include "engine/query_step.h"

#include <algorithm>
#include <cmath>

#include "engine/query_plan.h"

namespace ch {
namespace {

void TakeQueryFromFile(EngineSession& session, std::vector<std::string> entries) {
    RunState& state = session.State;
    if (entries.size() > kQueryPlanSize) entries.resize(kQueryPlanSize);
    state.QueryPlan = std::move(entries);
    state.QueryCount = static_cast<int>(state.QueryPlan.size());
    if (state.QueryCount > 0) {
        state.PageBatch = {state.QueryPlan[0]};
        session.WriteList(ListSuffix::Queries,
                          {state.QueryPlan.begin() + 1, state.QueryPlan.end()});
    }
    state.KeywordFilter = false;
}

void StartNewPlan(EngineSession& session) {
    RunState& state = session.State;
    if (!IsDefaultKeyword(state.CurrentKeyword)) {
        session.WriteList(ListSuffix::Queries, {});
        state.PageBatch = {state.CurrentKeyword};
        state.KeywordFilter = true;
        return;
    }
    const auto& predefined = PredefinedQueryPlan();
    state.QueryPlan.assign(predefined.begin(), predefined.end());
    state.QueryCount = kQueryPlanSize;
    RandomGenerator random;
    random.Reset();
    random.Seed(static_cast<std::int32_t>(
        std::fmod(std::abs(session.Ports.Time.SecondsSinceMidnight()), 86400.0) * 1000.0));
    ShuffleQueryPlan(state.QueryPlan, random);
    std::vector<std::string> remaining;
    for (int i = 1; i < state.QueryCount; ++i)
        remaining.push_back(TextAfterFirstBlank(state.QueryPlan[static_cast<size_t>(i)]));
    session.WriteList(ListSuffix::Queries, remaining);
    state.PageBatch = {TextAfterFirstBlank(state.QueryPlan[0])};
    state.KeywordFilter = false;
}

}  // namespace

void RunQueryStep(EngineSession& session) {
    RunState& state = session.State;
    state.PageBatch.clear();
    state.PageBatchNext = 0;
    state.QueryPlan.clear();
    state.QueryCount = 0;
    const auto path = session.ListPath(ListSuffix::Queries);
    ListFileRead read = ReadListFile(path);
    if (read.State == ListFileState::Missing) {
        StartNewPlan(session);
    } else if (!IsDefaultKeyword(state.CurrentKeyword)) {
        state.KeywordFilter = true;
    } else if (read.State == ListFileState::Unreadable) {
        throw RunFailure("cannot read list file " + path.string());
    } else {
        TakeQueryFromFile(session, std::move(read.Entries));
    }
}

}  // namespace ch
