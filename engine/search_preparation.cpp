#include "engine/search_preparation.h"

#include <algorithm>

#include "engine/product.h"
#include "engine/text.h"

namespace ch {

std::string SeedPageAddress(const std::string& keyword) {
    return std::string(kSeedPagePrefix) + "_" +
           text::PercentEncode(text::KeywordFilePart(keyword)) + ".htm";
}

void PrepareSearch(RunState& state) {
    state.PageBatch = {SeedPageAddress(state.CurrentKeyword)};
    state.PageBatchNext = 0;
    state.SiteLinks.Clear();
    state.SiteLinkNext = 0;
    state.SearchListLines = 0;
    state.VideoLinks.Clear();
    state.ExpandPagesStarted = 0;
    state.SaveFailure.clear();
    state.SearchAnswered = false;
    state.SearchRefusal.clear();
    state.NextResultsPage.clear();
}

}  // namespace ch
