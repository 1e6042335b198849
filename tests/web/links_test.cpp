#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "web/link_class.h"
#include "web/link_services.h"
#include "web/video_file_names.h"

namespace ch {
namespace {

using Links = std::vector<std::string>;

TEST(ResolveLink, MakesLinksAbsoluteAgainstTheirPage) {
    const std::string page = "http://site/dir/page.html";
    const std::string secure = "https://secure/dir/p.html";
    struct Case {
        std::string page, link, resolved;  // resolved empty: refused
    };
    const std::vector<Case> cases = {
        {page, "clip.avi", "http://site/dir/clip.avi"},
        {page, "../../clip.avi", "http://site/clip.avi"},
        {page, "../", ""},
        {"http://site/Hosted/x/p.html", "v.avi", "http://site/Hosted/v.avi"},
        {page, "HTTPS://secure", "https://secure/"},
        {page, "//cdn.example/v.avi", "http://cdn.example/v.avi"},
        {secure, "//cdn.example", "https://cdn.example/"},
        {secure, "../v.avi", "https://secure/v.avi"},
        {page, "JavaScript:go('a.avi')", ""},
        {page, "MAILTO:me@site", ""},
        {page, "FTP://files/v.avi", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveLink(c.page, c.link), c.resolved) << c.page << " + " << c.link;
}

TEST(ClassifyLink, SortsByTheEndOfTheLinkInAnyCase) {
    using enum LinkClass;
    struct Case {
        LinkClass modern, classic;
        Links links;
    };
    const std::vector<Case> cases = {
        {Video, Video, {"a.AVI", "a.mpeg", "a.RMVB", ".rm", "a.asx"}},
        {Ignored, Ignored, {"a.JPEG", "a.tiff", "a.qt", "a.mp3", "a.exe"}},
        {Video, Ignored, {"a.MKV", "a.mp4", "a.webm", "a.ts", "a.M2TS", "a.divx", "a.3g2"}},
        // Playlists, disc images, subtitles, sound, pictures and archives are never pages.
        {Ignored, Ignored, {"a.m3u8", "a.MPD", "a.iso", "a.vtt", "a.Opus", "a.avif", "a.tar.gz"}},
        {Page, Page, {"a.html", "dir/", "", "a.avi?x=1", "a.mkv?x=1", "a.avi.html", "rm", "a.ts/"}},
    };
    for (const Case& c : cases)
        for (const std::string& link : c.links) {
            EXPECT_EQ(ClassifyLink(link, VideoTypes::Modern), c.modern) << link;
            EXPECT_EQ(ClassifyLink(link, VideoTypes::Classic), c.classic) << link;
        }
}

TEST(VideoFileName, StaysInsideItsFolder) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"https://site:8080/..\\a.avi", "https^site^8080^..^a.avi"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"...", "..."},
    };
    for (const auto& [address, name] : cases) EXPECT_EQ(VideoFileName(address), name) << address;
    EXPECT_EQ(KeywordFolderName("funny cats"), "funny_cats");
    EXPECT_EQ(KeywordFolderName(".."), std::nullopt);
}

TEST(VideoFileName, LongNamesAreShortenedKeepingTheExtension) {
    const std::string fits = std::string(251, 'a') + ".avi";
    EXPECT_EQ(VideoFileName(fits), fits);
    const std::optional<std::string> name = VideoFileName("x" + fits);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->size(), kMaxFileNameBytes);
    EXPECT_TRUE(name->starts_with("xaaa") && name->ends_with(".avi")) << *name;
}

}  // namespace
}  // namespace ch
