#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "ui/terminal/terminal_status_view.h"

namespace ch {

struct CliOptions {
    enum class Action { Harvest, Help, Version, BadUsage };
    Action What = Action::BadUsage;
    std::string Keyword;        // as typed; the harvest lowers it like the keyword field does
    std::string ProgramFolder;  // empty: the folder of the executable
    std::string SearchEngine;   // empty: the one chosen before (kept in the settings)
    // Unset: the ones chosen before. A size window given whole is a good one.
    std::optional<VideoTypes> VideoSuffixes;
    std::optional<std::int64_t> MinVideoBytes;
    std::optional<std::int64_t> MaxVideoBytes;
    bool NoRobots = false;       // robots.txt is not honoured in this run (not kept)
    std::string DownloadFolder;  // empty: the one chosen before (kept in the settings)
    OutputLevel Output = OutputLevel::Normal;
    std::string Error;  // why the command line was refused
};

// Reads the arguments after the program name.
CliOptions ParseCliOptions(const std::vector<std::string>& arguments);

std::string CliUsageText();
std::string CliVersionText();

}  // namespace ch
