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
        {std::string("a\0/b.avi", 8), "a^^b.avi"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"...", "..."},
    };
    for (const Case& c : cases) EXPECT_EQ(VideoFileName(c.address), c.name) << c.address;
}

TEST(VideoFileName, LongNamesAreShortenedDeterministicallyKeepingTheExtension) {
    const std::string fits = std::string(251, 'a') + ".avi";
    EXPECT_EQ(VideoFileName(fits), fits);
    const std::optional<std::string> name = VideoFileName("x" + fits);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->size(), kMaxFileNameBytes);
    EXPECT_TRUE(name->starts_with("xaaa") && name->ends_with(".avi")) << *name;
    EXPECT_EQ(VideoFileName("x" + fits), name);
    EXPECT_NE(VideoFileName("y" + fits), name);
    // An overlong "extension" is cut with the rest of the name.
    EXPECT_EQ(VideoFileName("a." + std::string(400, 'b'))->size(), kMaxFileNameBytes);
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
