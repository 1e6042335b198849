#include "engine/list_files.h"

#include <gtest/gtest.h>

#include "engine/denied_list.h"
#include "engine/line_scrambler.h"
#include "scratch_folder.h"

namespace ch {
namespace {

using testing::ScratchFolder;

std::string Line(const std::string& plain) {
    return ScrambleLine(kListKey, plain) + "\r\n";
}

TEST(ListFileNames, KeywordBlanksBecomeUnderscores) {
    const std::filesystem::path folder = "/prog";
    const struct {
        std::string keyword;
        std::string_view suffix;
        std::string name;
    } cases[] = {
        {"funny", ListSuffix::Queries, "funny_list.lst"},
        {"funny cats", ListSuffix::AllSites, "funny_cats_search_all.lst"},
        {"funny_cats", ListSuffix::PendingSites, "funny_cats_search.lst"},
        {"A.B", ListSuffix::PendingVideos, "A.B_resource.lst"},
        {"../up/x", ListSuffix::Queries, "..^up^x_list.lst"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeywordListPath(folder, c.keyword, c.suffix), folder / c.name) << c.keyword;
    }
}

TEST(ListFileReading, EntriesAreTheTextAfterTheNumber) {
    ScratchFolder folder;
    folder.Write("a.lst", Line("1 http://one/") + Line("2 two words here") + Line("nonumber") +
                              ScrambleLine(kListKey, "4 last-without-line-end"));
    const ListFileRead read = ReadListFile(folder.Path() / "a.lst");
    EXPECT_EQ(read.State, ListFileState::Read);
    EXPECT_EQ(read.Entries, (std::vector<std::string>{"http://one/", "two words here", "nonumber",
                                                      "last-without-line-end"}));
}

TEST(ListFileReading, StopsAtAnEmptyLineAndSkipsLinesThatUnscrambleToNothing) {
    ScratchFolder folder;
    folder.Write("a.lst", Line("1 a") + "\t\x01\r\n" + Line("2 b") + "\r\n" + Line("3 c"));
    EXPECT_EQ(ReadListFile(folder.Path() / "a.lst").Entries, (std::vector<std::string>{"a", "b"}));
    folder.Write("lf.lst", ScrambleLine(kListKey, "1 a") + "\n" + ScrambleLine(kListKey, "2 b"));
    EXPECT_EQ(ReadListFile(folder.Path() / "lf.lst").Entries, (std::vector<std::string>{"a", "b"}));
}

TEST(ListFileReading, TellsMissingFromUnreadable) {
    ScratchFolder folder;
    EXPECT_EQ(ReadListFile(folder.Path() / "none.lst").State, ListFileState::Missing);
    std::filesystem::create_directory(folder.Path() / "dir.lst");
    EXPECT_EQ(ReadListFile(folder.Path() / "dir.lst").State, ListFileState::Unreadable);
    folder.Write("empty.lst", "");
    const ListFileRead empty = ReadListFile(folder.Path() / "empty.lst");
    EXPECT_EQ(empty.State, ListFileState::Read);
    EXPECT_TRUE(empty.Entries.empty());
}

TEST(ListFileWriting, NumbersFromTheGivenNumberWithCrLf) {
    ScratchFolder folder;
    const auto path = folder.Path() / "w.lst";
    ASSERT_TRUE(WriteListFile(path, {"http://a/", "tab\there"}));
    EXPECT_EQ(folder.Read("w.lst"), Line("1 http://a/") + Line("2 tabhere"));
    ASSERT_TRUE(WriteListFile(path, {"x"}, 7));
    EXPECT_EQ(folder.Read("w.lst"), Line("7 x")) << "an existing file is replaced";
    ASSERT_TRUE(WriteListFile(path, {}));
    EXPECT_EQ(folder.Read("w.lst"), "");
    EXPECT_FALSE(folder.Has("w.lst.tmp"));
}

TEST(ListFileWriting, AFailedWriteLeavesTheOldFileAndNoLeftovers) {
    ScratchFolder folder;
    EXPECT_FALSE(WriteListFile(folder.Path() / "missing-folder" / "w.lst", {"x"}));
    std::filesystem::create_directory(folder.Path() / "dir.lst");
    EXPECT_FALSE(WriteListFile(folder.Path() / "dir.lst", {"x"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "dir.lst"));
    EXPECT_FALSE(folder.Has("dir.lst.tmp"));
}

TEST(ListFileAppending, KeepsTheOldLinesAndNumbersOn) {
    ScratchFolder folder;
    const auto path = folder.Path() / "a.lst";
    ASSERT_TRUE(AppendListFile(path, {"one"}, 1)) << "a missing file is created";
    folder.Write("a.lst", folder.Read("a.lst") + ScrambleLine(kListKey, "2 two"));
    ASSERT_TRUE(AppendListFile(path, {"three", "four"}, 3));
    EXPECT_EQ(folder.Read("a.lst"),
              Line("1 one") + Line("2 two") + Line("3 three") + Line("4 four"));
    std::filesystem::create_directory(folder.Path() / "dir.lst");
    EXPECT_FALSE(AppendListFile(folder.Path() / "dir.lst", {"x"}, 1));
}

TEST(DeniedListFile, IsFoundInAnyLetterCase) {
    ScratchFolder folder;
    RunState state;
    state.ProgramFolder = folder.Path();
    EXPECT_EQ(LoadDeniedList(state), ListFileState::Missing);
    folder.Write("Denied.TXT", Line("1 http://bad") + Line("2 http://worse"));
    ASSERT_EQ(LoadDeniedList(state), ListFileState::Read);
    EXPECT_EQ(state.DeniedHosts.Items(), (std::vector<std::string>{"http://bad", "http://worse"}));
    state.DeniedHosts.Append("http://new");
    ASSERT_TRUE(SaveDeniedList(state));
    EXPECT_FALSE(folder.Has("denied.txt")) << "the existing file is rewritten, not a second one";
    EXPECT_EQ(folder.Read("Denied.TXT"),
              Line("1 http://bad") + Line("2 http://worse") + Line("3 http://new"));
}

TEST(DeniedListFile, AnUnreadableListLeavesTheHostsAlone) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "denied.txt");
    RunState state;
    state.ProgramFolder = folder.Path();
    state.DeniedHosts.Append("http://kept");
    EXPECT_EQ(LoadDeniedList(state), ListFileState::Unreadable);
    EXPECT_EQ(state.DeniedHostCount(), 1);
}

}  // namespace
}  // namespace ch
