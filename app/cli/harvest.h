#pragma once

#include <filesystem>
#include <functional>
#include <ostream>

#include "app/cli/cli_options.h"
#include "app/cli/exit_status.h"

namespace ch {

// Where a harvest writes: the status view goes to Out (redrawn in place when Interactive), the
// one-line reason of a failure to Err.
struct HarvestOutput {
    std::ostream& Out;
    std::ostream& Err;
    bool Interactive = false;
    std::function<int()> Width;
};

// One search for the keyword of the command line, as the tray program's Search button runs it:
// start-up steps on the program folder, the keyword recorded as a project, the run, and the end.
// Needs a QCoreApplication. Returns how the run ended.
ExitStatus RunHarvest(const CliOptions& options, const std::filesystem::path& executableFolder,
                      HarvestOutput output);

}  // namespace ch
