#include "engine/search_preparation.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

TEST(SearchPreparation, SeedPageReplacesOnlyBlanks) {
    EXPECT_EQ(SeedPageAddress("funny"), "http://www.clipharvester.example/clipharvester_funny.htm");
    EXPECT_EQ(SeedPageAddress("funny cats & dogs"),
              "http://www.clipharvester.example/clipharvester_funny_cats_&_dogs.htm");
}

TEST(SearchPreparation, EmptiesTheLastRunButKeepsDeniedHostsAndSlots) {
    RunState state;
    state.CurrentKeyword = "cats";
    state.SiteLinks.Append("http://a/");
    state.SiteLinkNext = 1;
    state.VideoLinks.Append("http://a/v.avi");
    state.VideoLinkNext = 1;
    state.ExpandLinks.Append("http://a/x.html");
    state.ExpandLinkNext = 1;
    state.ListFetchesPending = 2;
    state.DeniedHosts.Append("http://bad");
    state.SlotsCancelled = 3;
    PrepareSearch(state);
    EXPECT_EQ(state.PageBatch,
              std::vector<std::string>{"http://www.clipharvester.example/clipharvester_cats.htm"});
    EXPECT_EQ(state.SiteLinkCount() + state.VideoLinkCount() + state.ExpandLinkCount(), 0);
    EXPECT_EQ(state.SiteLinkNext + state.VideoLinkNext + state.ExpandLinkNext, 0);
    EXPECT_EQ(state.ListFetchesPending, 0);
    EXPECT_EQ(state.DeniedHostCount(), 1);
    EXPECT_EQ(state.SlotsCancelled, 3);
}

}  // namespace
}  // namespace ch
