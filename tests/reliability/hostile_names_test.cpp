// Hostile video addresses and keywords against the real download control and the list files:
// whatever the name, nothing is written outside <download folder>/<keyword folder>/ (or, for the
// list files, outside the program folder), and nothing planted there is written through.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/list_files.h"
#include "engine/run_state.h"
#include "fake_download_service.h"
#include "fake_ports.h"
#include "file_tree.h"
#include "scratch_folder.h"
#include "web/ocx_parse_web.h"
#include "web/video_file_names.h"

namespace ch {
namespace {

namespace fs = std::filesystem;
using testing::FileTree;

// Stands for the sandbox's "outside" folder in absolute names of the table.
constexpr std::string_view kOutside = "@OUT@";
const std::string kDownloads = "deep/er/still/downloads";
const std::string kPlainAddress = "http://site.example/clips/a.avi";

enum class Plant { Nothing, LinkAtFinalName, LinkAtBodyFile };

struct HostileName {
    std::string label;
    std::string keyword;
    std::string address;
    Plant plant = Plant::Nothing;
};

void PrintTo(const HostileName& name, std::ostream* out) {
    *out << name.label;
}

std::string Repeat(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += part;
    return text;
}

std::string WithNul(const std::string& before, const std::string& after) {
    return before + std::string(1, '\0') + after;
}

std::vector<HostileName> Addresses() {
    const std::string site = "http://site.example/";
    const std::vector<std::pair<std::string, std::string>> table = {
        {"DotDotSlash", site + "../../../../outside/victim.avi"},
        {"DotDotSlashDeep", site + Repeat("../", 40) + "tmp/x.avi"},
        {"DotDotBackslash", site + "..\\..\\..\\..\\outside\\x.avi"},
        {"MixedSeparators", site + "..\\../..\\../outside/x.avi"},
        {"HostBackslash", "http://site.example\\..\\..\\x.avi"},
        {"RelativeDotDot", "../../outside/x.avi"},
        {"RelativeBackslash", "..\\..\\outside\\x.avi"},
        {"DotDot", ".."},
        {"Dot", "."},
        {"Empty", ""},
        {"Slash", "/"},
        {"DoubleSlash", "//"},
        {"Backslash", "\\"},
        {"AbsoluteEtc", "/etc/passwd"},
        {"AbsoluteIntoSandbox", std::string(kOutside) + "/abs.avi"},
        {"FileScheme", "file://" + std::string(kOutside) + "/f.avi"},
        {"DrivePathBackslash", "C:\\Windows\\system32\\x.avi"},
        {"DrivePathSlash", "C:/outside/x.avi"},
        {"DriveRelative", "C:x.avi"},
        {"UncPath", "\\\\server\\share\\x.avi"},
        {"EncodedSlash", site + "..%2F..%2F..%2Foutside%2Fx.avi"},
        {"EncodedDots", site + "%2e%2e/%2e%2e/%2e%2e/x.avi"},
        {"EncodedBackslash", site + "..%5c..%5cx.avi"},
        {"DoubleEncoded", site + "%252e%252e%252f%252e%252e%252fx.avi"},
        {"OverlongUtf8Slash", site + "..\xc0\xaf..\xc0\xafx.avi"},
        {"FullwidthSolidus", site + "..\xef\xbc\x8f..\xef\xbc\x8fx.avi"},
        {"DivisionSlash", site + "..\xe2\x88\x95x.avi"},
        {"NulInPath", WithNul(site + "a", "/../../../outside/x.avi")},
        {"NulAtEnd", WithNul(site + "x.avi", "")},
        {"NulOnly", WithNul("", "")},
        {"NulDotDot", WithNul("..", "")},
        {"NewlineTraversal", site + "\n../../x.avi"},
        {"CarriageReturn", site + "x\r.avi"},
        {"Tab", site + "x\t.avi"},
        {"EscapeSequence", site + "\x1b[2J\x1b]0;x\x07.avi"},
        {"Delete", site + "x\x7f.avi"},
        {"ControlOne", "\x01\x02\x03"},
        {"LongName", site + Repeat("a", 300) + ".avi"},
        {"LongNameTraversalAtCut", site + Repeat("a", 230) + "/../../../../outside/x.avi"},
        {"LongDotDots", Repeat("../", 100) + "x.avi"},
        {"VeryLong", site + Repeat("b", 4096) + ".mpg"},
        {"LongMultibyte", site + Repeat("\xc3\xa9", 200) + ".avi"},
        {"LongExtension", site + "x." + Repeat("e", 300)},
        {"DeviceCon", "CON"},
        {"DeviceNulAvi", "NUL.avi"},
        {"DeviceCom1", site + "COM1"},
        {"DeviceLpt1", "LPT1.mpg"},
        {"DevNull", "/dev/null"},
        {"ProcSelf", "/proc/self/mem"},
        {"StreamSuffix", site + "x.avi::$DATA"},
        {"TrailingDotBlank", site + "x.avi. "},
        {"Home", "~/x.avi"},
        {"Variable", "$HOME/x.avi"},
        {"Dash", "-rf"},
        {"Wildcards", site + "*?[].avi"},
        {"FourDots", "...."},
        {"SchemeOnly", "http://"},
        {"DotDotAfterScheme", "http://.."},
        {"DotDotAfterSchemeSlash", "http://../"},
    };
    std::vector<HostileName> cases;
    for (const auto& [label, address] : table) cases.push_back({label, "funny", address});
    cases.push_back({"LinkPlantedAtFinalName", "funny", kPlainAddress, Plant::LinkAtFinalName});
    cases.push_back({"LinkPlantedAtBodyFile", "funny", kPlainAddress, Plant::LinkAtBodyFile});
    return cases;
}

std::vector<HostileName> Keywords() {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"KeywordDotDot", ".."},
        {"KeywordDot", "."},
        {"KeywordEmpty", ""},
        {"KeywordBlank", " "},
        {"KeywordParent", "../outside"},
        {"KeywordGrandParent", "../../../../outside"},
        {"KeywordBackslashParent", "..\\outside"},
        {"KeywordSlash", "/"},
        {"KeywordAbsolute", std::string(kOutside)},
        {"KeywordDrive", "C:\\outside"},
        {"KeywordInnerTraversal", "a/../../outside"},
        {"KeywordEncoded", "%2e%2e%2foutside"},
        {"KeywordNul", WithNul("fun", "/../../outside")},
        {"KeywordNewline", "fun\nny"},
        {"KeywordLong", Repeat("k", 300)},
        {"KeywordDevice", "CON"},
        {"KeywordBlankDotDot", " .. "},
        {"KeywordTilde", "~"},
    };
    std::vector<HostileName> cases;
    for (const auto& [label, keyword] : table) cases.push_back({label, keyword, kPlainAddress});
    return cases;
}

std::string Substitute(std::string text, const fs::path& outside) {
    for (size_t at = text.find(kOutside); at != std::string::npos; at = text.find(kOutside))
        text.replace(at, kOutside.size(), outside.string());
    return text;
}

std::string VideoBytes() {
    std::string bytes(ocxParseWeb::kMinVideoBytes + 1, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + 5);
    return bytes;
}

bool IsPartial(const std::string& path) {
    return path.ends_with(".part");
}

class HostileNames : public ::testing::TestWithParam<HostileName> {
  protected:
    testing::ScratchFolder sandbox;
    fs::path outside = sandbox.Path() / "outside";
    fs::path downloads = sandbox.Path() / kDownloads;
    fs::path program = sandbox.Path() / "program";
    fs::path victim = outside / "victim.avi";

    void SetUp() override {
        fs::create_directories(outside);
        fs::create_directories(downloads);
        fs::create_directories(program);
        std::ofstream(victim) << "victim";
    }
};

TEST_P(HostileNames, TheVideoLandsInItsKeywordFolderOrNowhere) {
    const HostileName& name = GetParam();
    const std::string keyword = Substitute(name.keyword, outside);
    const std::string address = Substitute(name.address, outside);
    const std::optional<std::string> folderName = KeywordFolderName(keyword);
    const std::optional<std::string> fileName = VideoFileName(address);

    RunState state;
    state.DownloadFolder = downloads.string();
    state.CurrentKeyword = keyword;
    testing::FakeDownloadService service;
    testing::RecordingView view;
    testing::FakeClock clock;
    testing::FakePump pump;
    ocxParseWeb control{state, service, view, clock, pump};

    if (name.plant != Plant::Nothing) {
        ASSERT_TRUE(folderName && fileName);
        fs::create_directories(downloads / *folderName);
        const std::string planted =
            name.plant == Plant::LinkAtFinalName ? *fileName : ".download-0.part";
        fs::create_symlink(victim, downloads / *folderName / planted);
    }
    const FileTree before = FileTree::Of(sandbox.Path());

    const std::string download = "V" + address;
    state.SlotNames[0] = download;
    state.SlotProgressTimes[0] = std::to_string(clock.now);
    ++state.VideosQueued;
    control.BeginResDownload(address, download);
    ++state.VideoDownloadsActive;
    const std::string bytes = VideoBytes();
    if (service.IsRunning(download)) service.CompleteFile(download, bytes);

    EXPECT_TRUE(state.SlotNames[0].empty());
    EXPECT_EQ(state.VideoDownloadsActive, 0);
    EXPECT_EQ(state.VideosQueued, 0);

    const FileTree after = FileTree::Of(sandbox.Path());
    EXPECT_TRUE(*after.Find("outside/victim.avi") == *before.Find("outside/victim.avi"));
    const std::string keywordFolder = folderName ? kDownloads + "/" + *folderName : "";
    for (const std::string& changed : FileTree::Changes(before, after)) {
        const fs::path path(changed);
        const bool inKeywordFolder =
            folderName && (changed == keywordFolder || path.parent_path() == keywordFolder);
        EXPECT_TRUE(inKeywordFolder) << "changed outside the keyword folder: " << changed;
        EXPECT_FALSE(IsPartial(changed) && after.Find(changed))
            << "unfinished body left: " << changed;
    }
    if (folderName && fileName) {
        const FileTree::Entry* saved = after.Find(keywordFolder + "/" + *fileName);
        ASSERT_NE(saved, nullptr) << "the video was not saved";
        EXPECT_EQ(saved->Type, fs::file_type::regular);
        EXPECT_TRUE(saved->Content == bytes);
    }
}

TEST_P(HostileNames, ListFilesOfTheKeywordStayInTheProgramFolder) {
    const std::string keyword = Substitute(GetParam().keyword, outside);
    const FileTree before = FileTree::Of(sandbox.Path());
    for (const std::string_view suffix : {ListSuffix::Queries, ListSuffix::AllSites,
                                          ListSuffix::PendingSites, ListSuffix::PendingVideos}) {
        const fs::path list = KeywordListPath(program, keyword, suffix);
        WriteListFile(list, {kPlainAddress});
        AppendListFile(list, {kPlainAddress}, 2);
    }
    for (const std::string& changed : FileTree::Changes(before, FileTree::Of(sandbox.Path())))
        EXPECT_EQ(fs::path(changed).parent_path(), "program") << changed;
}

std::string LabelOf(const ::testing::TestParamInfo<HostileName>& info) {
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(Addresses, HostileNames, ::testing::ValuesIn(Addresses()), LabelOf);
INSTANTIATE_TEST_SUITE_P(Keywords, HostileNames, ::testing::ValuesIn(Keywords()), LabelOf);

}  // namespace
}  // namespace ch
