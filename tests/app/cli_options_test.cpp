#include "app/cli/cli_options.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

using Action = CliOptions::Action;

TEST(ParseCliOptionsTest, ReadsTheCommandLine) {
    struct Case {
        std::vector<std::string> arguments;
        Action what;
        std::string keyword, folder;
    };
    for (const Case& c : {
             Case{{"Funny Cats"}, Action::Harvest, "Funny Cats", ""},
             Case{{"--program-folder", "/tmp/a", "funny"}, Action::Harvest, "funny", "/tmp/a"},
             Case{{"funny", "--program-folder=/tmp/b"}, Action::Harvest, "funny", "/tmp/b"},
             Case{{"--", "-dash-keyword"}, Action::Harvest, "-dash-keyword", ""},
             Case{{"--help", "--bogus"}, Action::Help, "", ""},
             Case{{"funny", "-h"}, Action::Help, "", ""},
             Case{{"--version"}, Action::Version, "", ""},
             Case{{}, Action::BadUsage, "", ""},
             Case{{"funny", "cats"}, Action::BadUsage, "", ""},
             Case{{""}, Action::BadUsage, "", ""},
             Case{{"--bogus", "funny"}, Action::BadUsage, "", ""},
             Case{{"funny", "--program-folder"}, Action::BadUsage, "", ""},
             Case{{"--program-folder=", "funny"}, Action::BadUsage, "", ""},
         }) {
        const CliOptions options = ParseCliOptions(c.arguments);
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        EXPECT_EQ(options.What, c.what) << options.Error;
        EXPECT_EQ(options.Keyword, c.keyword);
        EXPECT_EQ(options.ProgramFolder, c.folder);
        EXPECT_EQ(options.Error.empty(), c.what != Action::BadUsage);
    }
}

}  // namespace
}  // namespace ch
