#include "app/cli/cli_options.h"

#include <optional>

#include "engine/product.h"
#include "settings/video_settings.h"
#include "web/search_engines/search_engines.h"

namespace ch {

namespace {

const std::string kFolderOption = "--program-folder";
const std::string kEngineOption = "--search-engine";
const std::string kVideoTypesOption = "--video-types";
const std::string kMinSizeOption = "--min-size";
const std::string kMaxSizeOption = "--max-size";
const std::string kDownloadFolderOption = "--download-folder";

CliOptions Refuse(std::string why) {
    CliOptions options;
    options.What = CliOptions::Action::BadUsage;
    options.Error = std::move(why);
    return options;
}

// The value of "--name VALUE" or "--name=VALUE" (moving i past it), or nothing for another
// argument; empty when the value is missing.
std::optional<std::string> ValueOf(const std::string& name,
                                   const std::vector<std::string>& arguments, size_t& i) {
    const std::string& argument = arguments[i];
    if (argument.starts_with(name + "=")) return argument.substr(name.size() + 1);
    if (argument != name) return std::nullopt;
    return i + 1 < arguments.size() ? arguments[++i] : "";
}

std::string SizeRefusal(const std::string& name, const std::string& value) {
    return name + " needs a size in bytes, such as 200000, 500K or 50M (not \"" + value + "\")";
}

}  // namespace

CliOptions ParseCliOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> keywords;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            keywords.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.What = CliOptions::Action::Help;
            return options;
        } else if (argument == "--version") {
            options.What = CliOptions::Action::Version;
            return options;
        } else if (argument == "--no-robots") {
            options.NoRobots = true;
        } else if (argument == "--quiet" || argument == "-q" || argument == "--verbose" ||
                   argument == "-v") {
            const OutputLevel level = argument == "--quiet" || argument == "-q"
                                          ? OutputLevel::Quiet
                                          : OutputLevel::Verbose;
            if (options.Output != OutputLevel::Normal && options.Output != level)
                return Refuse("give --quiet or --verbose, not both");
            options.Output = level;
        } else if (const auto downloads = ValueOf(kDownloadFolderOption, arguments, i)) {
            options.DownloadFolder = *downloads;
            if (downloads->empty()) return Refuse(kDownloadFolderOption + " needs a folder");
        } else if (const auto folder = ValueOf(kFolderOption, arguments, i)) {
            options.ProgramFolder = *folder;
            if (folder->empty()) return Refuse(kFolderOption + " needs a folder");
        } else if (const auto engine = ValueOf(kEngineOption, arguments, i)) {
            options.SearchEngine = *engine;
            if (engine->empty()) return Refuse(kEngineOption + " needs an engine");
            if (const std::string why = SearchEngineChoiceError(*engine); !why.empty())
                return Refuse(why);
        } else if (const auto types = ValueOf(kVideoTypesOption, arguments, i)) {
            options.VideoSuffixes = ParseVideoTypes(*types);
            if (!options.VideoSuffixes)
                return Refuse(kVideoTypesOption + " takes modern or classic (not \"" + *types +
                              "\")");
        } else if (const auto size = ValueOf(kMinSizeOption, arguments, i)) {
            options.MinVideoBytes = ParseByteSize(*size);
            if (!options.MinVideoBytes) return Refuse(SizeRefusal(kMinSizeOption, *size));
        } else if (const auto size = ValueOf(kMaxSizeOption, arguments, i)) {
            options.MaxVideoBytes = ParseByteSize(*size);
            if (!options.MaxVideoBytes) return Refuse(SizeRefusal(kMaxSizeOption, *size));
        } else {
            return Refuse("unknown option " + argument);
        }
    }
    // With one bound only, the other is the one kept in the settings: the harvest checks that.
    if (options.MinVideoBytes && options.MaxVideoBytes) {
        if (const std::string why =
                VideoSizeWindowError(*options.MinVideoBytes, *options.MaxVideoBytes);
            !why.empty())
            return Refuse(why);
    }
    if (keywords.empty()) return Refuse("no keyword given");
    if (keywords.size() > 1)
        return Refuse("give one keyword; quote it if it has blanks, as in \"funny cats\"");
    if (keywords[0].empty()) return Refuse("the keyword is empty");
    options.Keyword = keywords[0];
    options.What = CliOptions::Action::Harvest;
    return options;
}

std::string CliUsageText() {
    return "Usage: clipharvester-cli [options] KEYWORD\n"
           "\n"
           "Searches the web for videos about KEYWORD and downloads them, like the Search button\n"
           "of ClipHarvester: the keyword is recorded as a project, one search runs, and the\n"
           "unfinished work is kept in list files so that the next run goes on from there.\n"
           "\n"
           "Options:\n"
           "  --program-folder DIR  keep settings, list files and denied.txt in DIR\n"
           "                        (default: the folder of this program)\n"
           "  --search-engine ENGINE  search with ENGINE from now on: google (the default),\n"
           "                        duckduckgo-lite, or the http(s) address of a SearXNG\n"
           "                        instance with its JSON format enabled (kept in registry.ini)\n"
           "  --video-types TYPES   which links count as videos from now on: modern (the\n"
           "                        default: today's containers such as mp4, mkv and webm\n"
           "                        as well) or classic (only avi, mpg, wmv and the other\n"
           "                        original types)\n"
           "  --min-size SIZE       from now on keep only videos of at least SIZE bytes\n"
           "                        (default 200K)\n"
           "  --max-size SIZE       from now on keep only videos of at most SIZE bytes\n"
           "                        (default 50M; 0: no limit)\n"
           "                        SIZE: a whole number of bytes, or one followed by K, M\n"
           "                        or G for thousands, millions or billions, as in 500K\n"
           "                        (no fractions). The video settings are kept in\n"
           "                        registry.ini, like the search engine.\n"
           "  --download-folder DIR  save the videos in DIR from now on, each keyword in a\n"
           "                        folder of its own (kept in registry.ini; a relative DIR\n"
           "                        is taken from the current folder)\n"
           "  --no-robots           do not honour robots.txt in this run (not kept)\n"
           "  -q, --quiet           write only the closing summary (and errors)\n"
           "  -v, --verbose         write every status line and every download's start and\n"
           "                        end as well\n"
           "  -h, --help            show this help and exit\n"
           "  --version             show the version and exit\n"
           "\n"
           "Ctrl-C stops the run like the Stop button and saves the work; a second Ctrl-C\n"
           "saves the lists and ends at once.\n"
           "\n"
           "Output: one line per video (saved with its size and file, rejected or failed with\n"
           "the reason), one for what the search got, and a closing summary (\"Done: saved N\n"
           "videos ...\") with the size, time, average rate and the keyword's folder. The\n"
           "summary goes to standard output, the reason of any exit but 0 to standard error.\n"
           "\n"
           "Exit status: 0 the run completed, 1 failure, 2 bad usage, 3 network lost,\n"
           "4 stopped, 5 the search engine refused the search and nothing else was pending,\n"
           "6 the search named no site and nothing else was pending.\n";
}

std::string CliVersionText() {
    return std::string("clipharvester-cli (") + kProductTitle + ")\n";
}

}  // namespace ch
