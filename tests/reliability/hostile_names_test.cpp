// Hostile video addresses and keywords against the real download control and the list files:
// whatever the name, nothing is written outside <download folder>/<keyword folder>/ (or, for the
// list files, outside the program folder), and nothing planted there is written through.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "engine/list_files.h"
#include "engine/run_state.h"
#include "fake_download_service.h"
#include "fake_ports.h"
#include "scratch_folder.h"
#include "web/ocx_parse_web.h"
#include "web/video_file_names.h"

namespace ch {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOutside = "@OUT@";  // the sandbox's "outside" folder, absolute
const std::string kDownloads = "deep/er/downloads";
const std::string kPlain = "http://site.example/clips/a.avi";
const std::string kSite = "http://site.example/";

struct HostileName {
    std::string label, keyword, address;
    std::string plant;  // a name in the keyword folder where a link to the victim is planted
};

void PrintTo(const HostileName& name, std::ostream* out) {
    *out << name.label;
}

std::string Nul(const std::string& before, const std::string& after) {
    return before + std::string(1, '\0') + after;
}

std::string Times(int count, const std::string& part) {
    std::string text;
    while (count-- > 0) text += part;
    return text;
}

std::vector<HostileName> Cases() {
    std::vector<HostileName> cases = {
        {"LinkPlantedAtFinalName", "funny", kPlain, *VideoFileName(kPlain)},
        {"LinkPlantedAtBodyFile", "funny", kPlain, ".download-0.part"},
    };
    const std::pair<std::string, std::string> addresses[] = {
        {"DotDotSlash", kSite + "../../../../outside/victim.avi"},
        {"HostBackslash", "http://site.example\\..\\..\\x.avi"},
        {"RelativeDotDot", "../../outside/x.avi"},
        {"DotDot", ".."},
        {"Empty", ""},
        {"AbsoluteIntoSandbox", std::string(kOutside) + "/abs.avi"},
        {"FileScheme", "file://" + std::string(kOutside) + "/f.avi"},
        {"DrivePath", "C:\\Windows\\x.avi"},
        {"EncodedSlash", kSite + "..%2F..%2F..%2Foutside%2Fx.avi"},
        {"OverlongUtf8Slash", kSite + "..\xc0\xaf..\xc0\xafx.avi"},
        {"NulInPath", Nul(kSite + "a", "/../../../outside/x.avi")},
        {"NewlineTraversal", kSite + "\n../../x.avi"},
        {"ControlCharacters", kSite + "\x1b[2J\x7f\r\t.avi"},
        {"LongName", kSite + Times(300, "a") + ".avi"},
        {"LongNameTraversalAtCut", kSite + Times(230, "a") + "/../../../../outside/x.avi"},
        {"LongMultibyteCut", kSite + Times(200, "\xc3\xa9") + ".avi"},
        {"LongExtension", kSite + "x." + Times(300, "e")},
    };
    for (const auto& [label, address] : addresses) cases.push_back({label, "funny", address, ""});
    const std::pair<std::string, std::string> keywords[] = {
        {"KeywordDotDot", ".."},
        {"KeywordDot", "."},
        {"KeywordEmpty", ""},
        {"KeywordParent", "../outside"},
        {"KeywordInnerTraversal", "a/../../outside"},
        {"KeywordAbsolute", std::string(kOutside)},
        {"KeywordNul", Nul("fun", "/../../outside")},
        {"KeywordLong", Times(300, "k")},
    };
    for (const auto& [label, keyword] : keywords) cases.push_back({label, keyword, kPlain, ""});
    return cases;
}

// Every entry under the root (links not followed): the bytes of a file, the target of a link.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string& content = entries[entry.path().lexically_relative(root).string()];
        if (entry.is_symlink())
            content = "link to " + fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            content.assign(std::istreambuf_iterator<char>(std::ifstream(entry.path()).rdbuf()), {});
    }
    return entries;
}

// The entries new, gone or different after.
std::vector<fs::path> Changes(const std::map<std::string, std::string>& before,
                              const std::map<std::string, std::string>& after) {
    std::vector<fs::path> changed;
    for (const auto& [path, content] : after)
        if (!before.contains(path) || before.at(path) != content) changed.emplace_back(path);
    for (const auto& [path, content] : before)
        if (!after.contains(path)) changed.emplace_back(path);
    return changed;
}

class HostileNames : public ::testing::TestWithParam<HostileName> {
  protected:
    void SetUp() override {
        for (const char* folder : {"outside", "program"}) fs::create_directories(sandbox / folder);
        fs::create_directories(sandbox / kDownloads);
        std::ofstream(victim) << "victim";
        for (std::string* text : {&keyword, &address})
            for (auto at = text->find(kOutside); at != std::string::npos; at = text->find(kOutside))
                text->replace(at, kOutside.size(), (sandbox / "outside").string());
    }

    testing::ScratchFolder scratch;
    const fs::path sandbox = scratch.Path();
    const fs::path victim = sandbox / "outside" / "victim.avi";
    std::string keyword = GetParam().keyword;
    std::string address = GetParam().address;
};

TEST_P(HostileNames, TheVideoLandsInItsKeywordFolderOrNowhere) {
    const std::optional<std::string> folder = KeywordFolderName(keyword);
    const std::optional<std::string> file = VideoFileName(address);
    const fs::path keywordFolder = folder ? fs::path(kDownloads) / *folder : fs::path();
    if (!GetParam().plant.empty()) {
        fs::create_directories(sandbox / keywordFolder);
        fs::create_symlink(victim, sandbox / keywordFolder / GetParam().plant);
    }
    const auto before = Snapshot(sandbox);

    RunState state;
    state.DownloadFolder = (sandbox / kDownloads).string();
    state.CurrentKeyword = keyword;
    state.HonourRobots = false;
    testing::FakeDownloadService service;
    testing::RecordingView view;
    testing::FakeClock clock;
    testing::FakePump pump;
    ocxParseWeb control{state, service, view, clock, pump};
    const std::string download = "V" + address;
    state.VideoLinks.Load(address);
    state.VideoLinks.Take(0);
    state.Slots.Fill(0, address, clock.now);
    control.BeginResDownload({FetchKind::Video, address});
    const std::string bytes(state.MinVideoBytes + 1, 'v');
    if (service.IsRunning(download)) service.CompleteFile(download, bytes);

    EXPECT_EQ(state.VideoDownloadsActive(), 0);
    EXPECT_EQ(state.VideosQueued(), folder ? 0 : 1) << "without a folder the video stays pending";
    const auto after = Snapshot(sandbox);
    for (const fs::path& changed : Changes(before, after)) {
        EXPECT_TRUE(folder && (changed == keywordFolder || changed.parent_path() == keywordFolder))
            << "changed outside the keyword folder: " << changed;
        EXPECT_FALSE(changed.extension() == ".part" && after.contains(changed))
            << "unfinished body left: " << changed;
    }
    const auto saved = after.find(folder && file ? (keywordFolder / *file).string() : "");
    EXPECT_TRUE(!(folder && file) || (saved != after.end() && saved->second == bytes))
        << "the video was not saved whole";
}

// Also with a link planted at each list's temporary name, which must be replaced, not followed.
TEST_P(HostileNames, ListFilesOfTheKeywordStayInTheProgramFolder) {
    std::vector<fs::path> lists;
    for (const std::string_view suffix : {ListSuffix::Queries, ListSuffix::AllSites,
                                          ListSuffix::PendingSites, ListSuffix::PendingVideos}) {
        lists.push_back(KeywordListPath(sandbox / "program", keyword, suffix));
        std::error_code ignored;
        fs::create_symlink(victim, lists.back().string() + ".tmp", ignored);
    }
    const auto before = Snapshot(sandbox);
    for (const fs::path& list : lists) {
        const bool written = WriteListFile(list, {kPlain}) && AppendListFile(list, {kSite}, 2);
        EXPECT_TRUE(written || GetParam().label == "KeywordLong");  // too long for a file name
        EXPECT_TRUE(!written ||
                    ReadListFile(list).Entries == (std::vector<std::string>{kPlain, kSite}));
    }
    for (const fs::path& changed : Changes(before, Snapshot(sandbox)))
        EXPECT_EQ(changed.parent_path(), "program") << changed;
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNames, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace ch
