#include "engine/query_step.h"

#include <algorithm>
#include <cmath>

#include "engine/query_plan.h"

namespace ch {
namespace {

QueriesLeft TakeQueryFromFile(RunState& state, std::vector<std::string> entries) {
    if (entries.size() > kQueryPlanSize) entries.resize(kQueryPlanSize);
    state.QueryPlan = std::move(entries);
    state.QueryCount = static_cast<int>(state.QueryPlan.size());
    state.KeywordFilter = false;
    if (state.QueryCount == 0) return std::nullopt;
    state.PageBatch = {state.QueryPlan[0]};
    return std::vector<std::string>(state.QueryPlan.begin() + 1, state.QueryPlan.end());
}

QueriesLeft StartNewPlan(EngineSession& session) {
    RunState& state = session.State;
    if (!IsDefaultKeyword(state.CurrentKeyword)) {
        state.PageBatch = {state.CurrentKeyword};
        state.KeywordFilter = true;
        return std::vector<std::string>{};
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
    state.PageBatch = {TextAfterFirstBlank(state.QueryPlan[0])};
    state.KeywordFilter = false;
    return remaining;
}

}  // namespace

QueriesLeft RunQueryStep(EngineSession& session) {
    RunState& state = session.State;
    state.PageBatch.clear();
    state.PageBatchNext = 0;
    state.QueryPlan.clear();
    state.QueryCount = 0;
    const auto path = session.ListPath(ListSuffix::Queries);
    ListFileRead read = ReadListFile(path);
    if (read.State == ListFileState::Missing) return StartNewPlan(session);
    if (!IsDefaultKeyword(state.CurrentKeyword)) {
        state.KeywordFilter = true;
        return std::nullopt;
    }
    if (read.State == ListFileState::Unreadable)
        throw RunFailure("cannot read list file " + path.string());
    return TakeQueryFromFile(state, std::move(read.Entries));
}

}  // namespace ch
