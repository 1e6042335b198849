#include "web/video_file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ch {
namespace {

TEST(VideoFileName, ReplacesEverySeparatorAndRefusesNamesThatLeaveTheFolder) {
    struct Case {
        std::string address;
        std::optional<std::string> name;
    };
    const std::vector<Case> cases = {
        {"http://site/clips/a.avi", "http^site^clips^a.avi"},
        {"https://site:8080/a.avi", "https^site^8080^a.avi"},
        {"http://site/..\\..\\evil.avi", "http^site^..^..^evil.avi"},
        {"../../etc/passwd", "..^..^etc^passwd"},
        {"/etc/passwd", "^etc^passwd"},
        {std::string("a\0/b.avi", 8), "a^^b.avi"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"...", "..."},
    };
    for (const Case& c : cases) EXPECT_EQ(VideoFileName(c.address), c.name) << c.address;
}

TEST(VideoFileName, LongNamesAreShortenedDeterministicallyKeepingTheExtension) {
    const std::string longAddress = "http://site/" + std::string(300, 'x') + ".avi";
    const std::string otherAddress = "http://site/" + std::string(299, 'x') + "y.avi";
    const std::optional<std::string> name = VideoFileName(longAddress);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->size(), kMaxFileNameBytes);
    EXPECT_TRUE(name->ends_with(".avi"));
    EXPECT_TRUE(name->starts_with("http^site^xxx"));
    EXPECT_EQ(VideoFileName(longAddress), name);
    EXPECT_NE(VideoFileName(otherAddress), name);
    // A name of exactly 255 bytes is kept as it is.
    const std::string fits = std::string(251, 'a') + ".avi";
    EXPECT_EQ(VideoFileName(fits), fits);
    // An overlong "extension" is cut with the rest of the name.
    const std::optional<std::string> noExtension = VideoFileName("a." + std::string(400, 'b'));
    ASSERT_TRUE(noExtension);
    EXPECT_EQ(noExtension->size(), kMaxFileNameBytes);
}

TEST(KeywordFolderName, BlanksBecomeUnderscoresAndTheNameStaysInItsFolder) {
    struct Case {
        std::string keyword;
        std::optional<std::string> name;
    };
    const std::vector<Case> cases = {
        {"funny", "funny"},  {"funny cats", "funny_cats"}, {"../up", "..^up"},
        {"a\\b:c", "a^b^c"}, {"..", std::nullopt},         {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(KeywordFolderName(c.keyword), c.name) << c.keyword;
    EXPECT_EQ(KeywordFolderName(std::string(300, 'k'))->size(), kMaxFileNameBytes);
}

}  // namespace
}  // namespace ch
