#pragma once

#include <string>
#include <vector>

namespace ch {

struct CliOptions {
    enum class Action { Harvest, Help, Version, BadUsage };
    Action What = Action::BadUsage;
    std::string Keyword;        // as typed; the harvest lowers it like the keyword field does
    std::string ProgramFolder;  // empty: the folder of the executable
    std::string SearchEngine;   // empty: the one chosen before (kept in the settings)
    std::string Error;          // why the command line was refused
};

// Reads the arguments after the program name.
CliOptions ParseCliOptions(const std::vector<std::string>& arguments);

std::string CliUsageText();
std::string CliVersionText();

}  // namespace ch
