#include "engine/list_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/denied_list.h"
#include "engine/line_scrambler.h"
#include "scratch_folder.h"

namespace ch {
namespace {

using testing::ScratchFolder;
using Strings = std::vector<std::string>;

std::string Line(const std::string& plain) {
    return ScrambleLine(kListKey, plain) + "\r\n";
}

// Saved list files are only readable while these known answers stay the same.
TEST(ListScrambling, KnownAnswersOfTheListKeyAndDroppedCharacters) {
    EXPECT_EQ(KeyHash(kListKey), 452489310);
    EXPECT_EQ(ScrambleLine(kListKey, "1 http://www.example.com/clips/a.avi"),
              ")EcO6S.{-E~{c]K.?(CC smTWzS{rT@)4IRA");
    EXPECT_EQ(UnscrambleLine(kListKey, ")YzD0GYe}=m$<mA;K"), "14 index of funny");
    EXPECT_EQ(ScrambleLine(kListKey, "a\tb\x01\xE9"), ScrambleLine(kListKey, "ab"))
        << "non-printable characters are dropped without using a shift";
    EXPECT_EQ(ScrambleLine(kListKey, "\t\r\n"), "");
}

TEST(ListFileReading, EntriesAreTheTextAfterTheNumberUpToAnEmptyLine) {
    const struct {
        const char* name;
        std::string bytes;
        Strings entries;
    } cases[] = {
        {"numbered, unnumbered and without a line end",
         Line("1 http://one/") + Line("2 two words") + Line("nonumber") +
             ScrambleLine(kListKey, "4 last"),
         {"http://one/", "two words", "nonumber", "last"}},
        {"a line of nothing and an empty line skipped, the entries after them kept",
         Line("1 a") + "\t\x01\r\n" + Line("2 b") + "\r\n" + Line("3 c"),
         {"a", "b", "c"}},
        {"LF line ends",
         ScrambleLine(kListKey, "1 a") + "\n" + ScrambleLine(kListKey, "2 b"),
         {"a", "b"}},
        {"empty file", "", {}},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        folder.Write("a.lst", c.bytes);
        const ListFileRead read = ReadListFile(folder.Path() / "a.lst");
        EXPECT_EQ(read.State, ListFileState::Read) << c.name;
        EXPECT_EQ(read.Entries, c.entries) << c.name;
    }
    EXPECT_EQ(ReadListFile(folder.Path() / "none.lst").State, ListFileState::Missing);
    std::filesystem::create_directory(folder.Path() / "dir.lst");
    EXPECT_EQ(ReadListFile(folder.Path() / "dir.lst").State, ListFileState::Unreadable);
}

TEST(ListFileWriting, ReplacesWithNumberedLinesOrFailsLeavingTheOldFile) {
    ScratchFolder folder;
    const auto path = folder.Path() / "w.lst";
    ASSERT_TRUE(WriteListFile(path, {"http://a/", "tab\there"}));
    EXPECT_EQ(folder.Read("w.lst"), Line("1 http://a/") + Line("2 tabhere"));
    ASSERT_TRUE(WriteListFile(path, {"x"}, 7));
    EXPECT_EQ(folder.Read("w.lst"), Line("7 x"));
    EXPECT_FALSE(WriteListFile(folder.Path() / "missing-folder" / "w.lst", {"x"}));
    std::filesystem::create_directory(folder.Path() / "dir.lst");
    EXPECT_FALSE(WriteListFile(folder.Path() / "dir.lst", {"x"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "dir.lst"));
    EXPECT_FALSE(folder.Has("w.lst.tmp") || folder.Has("dir.lst.tmp"));
}

TEST(ListFileAppending, KeepsTheOldLinesAndNumbersOn) {
    ScratchFolder folder;
    const auto path = folder.Path() / "a.lst";
    ASSERT_TRUE(AppendListFile(path, {"one"}, 1)) << "a missing file is created";
    folder.Write("a.lst", folder.Read("a.lst") + ScrambleLine(kListKey, "2 two"));
    ASSERT_TRUE(AppendListFile(path, {"three"}, 3));
    EXPECT_EQ(folder.Read("a.lst"), Line("1 one") + Line("2 two") + Line("3 three"));
    // A list that cannot be read (a pipe: root reads any plain file) is left alone.
    ASSERT_EQ(mkfifo((folder.Path() / "pipe.lst").c_str(), 0600), 0);
    EXPECT_FALSE(AppendListFile(folder.Path() / "pipe.lst", {"x"}, 1));
    EXPECT_TRUE(std::filesystem::is_fifo(folder.Path() / "pipe.lst"));
}

TEST(DeniedListFile, IsFoundInAnyLetterCaseAndAnUnreadableOneLeavesTheHostsAlone) {
    ScratchFolder folder;
    RunState state;
    state.ProgramFolder = folder.Path();
    EXPECT_EQ(LoadDeniedList(state), ListFileState::Missing);
    folder.Write("Denied.TXT", Line("1 http://bad"));
    ASSERT_EQ(LoadDeniedList(state), ListFileState::Read);
    EXPECT_EQ(state.DeniedHosts.Items(), Strings{"http://bad"});
    state.DeniedHosts.Append("http://new");
    ASSERT_TRUE(SaveDeniedList(state));
    EXPECT_FALSE(folder.Has("denied.txt")) << "the existing file is rewritten, not a second one";
    EXPECT_EQ(folder.Read("Denied.TXT"), Line("1 http://bad") + Line("2 http://new"));

    std::filesystem::remove(folder.Path() / "Denied.TXT");
    std::filesystem::create_directory(folder.Path() / "denied.txt");
    EXPECT_EQ(LoadDeniedList(state), ListFileState::Unreadable);
    EXPECT_EQ(state.DeniedHostCount(), 2);
}

}  // namespace
}  // namespace ch
