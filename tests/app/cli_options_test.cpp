#include "app/cli/cli_options.h"

#include <gtest/gtest.h>

namespace ch {
namespace {

using Action = CliOptions::Action;

void Check(std::vector<std::string> arguments, Action what, std::string keyword = "",
           std::string folder = "") {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const CliOptions options = ParseCliOptions(arguments);
    EXPECT_EQ(options.What, what) << options.Error;
    EXPECT_EQ(options.Keyword + "|" + options.ProgramFolder, keyword + "|" + folder);
    EXPECT_EQ(options.Error.empty(), what != Action::BadUsage);
}

TEST(ParseCliOptions, ReadsTheCommandLineAndRefusesWhatItCannotRead) {
    Check({"Funny Cats"}, Action::Harvest, "Funny Cats");
    Check({"--program-folder", "/tmp/a", "funny"}, Action::Harvest, "funny", "/tmp/a");
    Check({"funny", "--program-folder=/tmp/b"}, Action::Harvest, "funny", "/tmp/b");
    Check({"--", "-dash-keyword"}, Action::Harvest, "-dash-keyword");
    Check({"--help", "--bogus"}, Action::Help);
    Check({"--version"}, Action::Version);
    using Arguments = std::vector<std::string>;
    for (const Arguments& bad : {Arguments{},
                                 {"funny", "cats"},
                                 {""},
                                 {"--bogus", "funny"},
                                 {"funny", "--program-folder"},
                                 {"--program-folder=", "funny"}})
        Check(bad, Action::BadUsage);
}

}  // namespace
}  // namespace ch
