#include "app/cli/cli_options.h"

#include "engine/product.h"

namespace ch {

namespace {

const std::string kFolderOption = "--program-folder";

CliOptions Refuse(std::string why) {
    CliOptions options;
    options.What = CliOptions::Action::BadUsage;
    options.Error = std::move(why);
    return options;
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
        } else if (argument == kFolderOption || argument.starts_with(kFolderOption + "=")) {
            if (argument == kFolderOption)
                options.ProgramFolder = i + 1 < arguments.size() ? arguments[++i] : "";
            else
                options.ProgramFolder = argument.substr(kFolderOption.size() + 1);
            if (options.ProgramFolder.empty()) return Refuse(kFolderOption + " needs a folder");
        } else {
            return Refuse("unknown option " + argument);
        }
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
           "  -h, --help            show this help and exit\n"
           "  --version             show the version and exit\n"
           "\n"
           "Ctrl-C stops the run like the Stop button and saves the work; a second Ctrl-C\n"
           "saves the lists and ends at once.\n"
           "\n"
           "Exit status: 0 all videos downloaded, 1 failure, 2 bad usage, 3 network lost,\n"
           "4 stopped.\n";
}

std::string CliVersionText() {
    return std::string("clipharvester-cli (") + kProductTitle + ")\n";
}

}  // namespace ch
