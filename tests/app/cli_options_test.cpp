#include "app/cli/cli_options.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

using Action = CliOptions::Action;

struct ParseCase {
    std::vector<std::string> arguments;
    Action what;
    std::string keyword;
    std::string folder;
};

class ParseCliOptionsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCliOptionsTest, ReadsTheCommandLine) {
    const ParseCase& c = GetParam();
    const CliOptions options = ParseCliOptions(c.arguments);
    EXPECT_EQ(options.What, c.what) << options.Error;
    EXPECT_EQ(options.Keyword, c.keyword);
    EXPECT_EQ(options.ProgramFolder, c.folder);
    EXPECT_EQ(options.Error.empty(), c.what != Action::BadUsage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCliOptionsTest,
    ::testing::Values(
        ParseCase{{"funny"}, Action::Harvest, "funny", ""},
        ParseCase{{"Funny Cats"}, Action::Harvest, "Funny Cats", ""},
        ParseCase{{"--program-folder", "/tmp/a", "funny"}, Action::Harvest, "funny", "/tmp/a"},
        ParseCase{{"funny", "--program-folder=/tmp/b"}, Action::Harvest, "funny", "/tmp/b"},
        ParseCase{{"--", "-dash-keyword"}, Action::Harvest, "-dash-keyword", ""},
        ParseCase{{"--help", "--bogus"}, Action::Help, "", ""},
        ParseCase{{"funny", "-h"}, Action::Help, "", ""},
        ParseCase{{"--version"}, Action::Version, "", ""}, ParseCase{{}, Action::BadUsage, "", ""},
        ParseCase{{"funny", "cats"}, Action::BadUsage, "", ""},
        ParseCase{{""}, Action::BadUsage, "", ""},
        ParseCase{{"--bogus", "funny"}, Action::BadUsage, "", ""},
        ParseCase{{"funny", "--program-folder"}, Action::BadUsage, "", ""},
        ParseCase{{"--program-folder=", "funny"}, Action::BadUsage, "", ""}));

TEST(CliUsageText, NamesEveryExitStatusAndOption) {
    const std::string usage = CliUsageText();
    for (const char* part : {"--program-folder", "--help", "--version", "0 all videos", "1 failure",
                             "2 bad usage", "3 network lost", "4 stopped"})
        EXPECT_NE(usage.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace ch
