#include "engine/indexed_list.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

TEST(IndexedList, KeepsOrderAndFindsEntries) {
    IndexedList list;
    list.Append("a");
    list.Append("b");
    list.Append("a");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2], "a");
    EXPECT_TRUE(list.Contains("b"));
    EXPECT_FALSE(list.Contains("c"));
}

TEST(IndexedList, OverwritingKeepsTheIndexTrue) {
    IndexedList list;
    list.Append("a");
    list.Append("b");
    list.Append("a");
    list.Set(0, "c");
    EXPECT_TRUE(list.Contains("a")) << "the second a is still there";
    list.Set(2, "b");
    EXPECT_FALSE(list.Contains("a"));
    EXPECT_TRUE(list.Contains("c"));
    list.Swap(0, 1);
    EXPECT_EQ(list[0], "b");
    EXPECT_EQ(list[1], "c");
    list.Clear();
    EXPECT_FALSE(list.Contains("b"));
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace ch
