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
                                 {"--program-folder=", "funny"},
                                 {"funny", "--min-size"},
                                 {"--min-size", "-1", "funny"},
                                 {"--max-size=1.5G", "funny"},
                                 {"--video-types", "vhs", "funny"},
                                 {"--min-size=2M", "--max-size", "1999999", "funny"},
                                 {"-q", "--verbose", "funny"},
                                 {"funny", "--download-folder"}})
        Check(bad, Action::BadUsage);
    for (const auto& [arguments, level] :
         {std::pair{Arguments{"funny"}, OutputLevel::Normal},
          {Arguments{"--quiet", "-q", "funny"}, OutputLevel::Quiet},
          {Arguments{"-v", "funny"}, OutputLevel::Verbose}})
        EXPECT_EQ(ParseCliOptions(arguments).Output, level);
    EXPECT_EQ(ParseCliOptions({"--download-folder=dl", "funny"}).DownloadFolder, "dl");
}

TEST(ParseCliOptions, VideoSettingsAreTakenOnlyWhenGiven) {
    const CliOptions none = ParseCliOptions({"funny"});
    EXPECT_FALSE(none.VideoSuffixes || none.MinVideoBytes || none.MaxVideoBytes);
    const CliOptions given = ParseCliOptions(
        {"--video-types", "Classic", "--min-size=2M", "--max-size", "2000000", "funny"});
    EXPECT_EQ(given.What, Action::Harvest) << given.Error;
    EXPECT_TRUE(given.VideoSuffixes == VideoTypes::Classic && given.MinVideoBytes == 2'000'000 &&
                given.MaxVideoBytes == 2'000'000);
    // No ceiling, and a floor alone: its clash with the kept ceiling is the harvest's to find.
    EXPECT_EQ(ParseCliOptions({"--max-size=0", "--min-size", "9G", "funny"}).What, Action::Harvest);
    EXPECT_EQ(ParseCliOptions({"--min-size", "9G", "funny"}).MinVideoBytes, 9'000'000'000);
}

}  // namespace
}  // namespace ch
