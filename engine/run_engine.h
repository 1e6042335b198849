#pragma once

#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"

namespace ch {

// How a run ended.
enum class RunEnd {
    Completed,     // every site visited and every video taken
    Refused,       // nothing to do: the search engine refused the query and nothing was pending
    NothingFound,  // nothing to do: the search named no site and nothing was pending
    Stopped,       // the user asked to stop
    NetworkLost,   // the network watch found the network down
    Failed,        // something inside the run failed; Failure says what
};

struct RunOutcome {
    RunEnd End = RunEnd::Completed;
    std::string Failure;  // one line, only for RunEnd::Failed
};

// One whole search run: seed pages, at most one query with its results pages, then the crawl
// of the site pages with the video downloads, until completion, a stop or network loss. Returns
// only when the run has ended; every wait yields to the event pump. The unfinished work is saved
// in the keyword's list files at the end. A failure (a list file that cannot be read or written)
// ends the run cleanly: fetches cancelled, EngineRunning cleared, the window restored with the
// failure in panel 1, and list files that could not be read left as they are.
RunOutcome RunEngine(RunState& state, EnginePorts& ports);

// Writes the unfinished work into the list files as the end of a run does, without a message:
// for leaving the program during a run. Downloads still running or just cancelled go to the front
// of the pending video list. Outside the crawl of a run the list files already hold all the work
// and nothing is written. Returns false when a list file could not be written.
bool SaveUnfinishedWork(RunState& state);

}  // namespace ch
