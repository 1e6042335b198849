#include "engine/indexed_list.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

// The index counts occurrences, so overwriting one of two equal entries keeps the other found.
TEST(IndexedList, OverwritingSwappingAndClearingKeepTheIndexTrue) {
    IndexedList list;
    for (const char* entry : {"a", "b", "a"}) list.Append(entry);
    EXPECT_FALSE(list.Contains("c"));
    list.Set(0, "c");
    EXPECT_TRUE(list.Contains("a"));
    list.Set(2, "b");
    EXPECT_FALSE(list.Contains("a"));
    EXPECT_TRUE(list.Contains("c"));
    list.Swap(0, 1);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "c", "b"}));
    list.Clear();
    EXPECT_FALSE(list.Contains("b"));
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace ch
