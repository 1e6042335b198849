#pragma once

#include <cstdint>
#include <string>

#include "engine/ports.h"
#include "engine/run_state.h"

namespace ch {

// The plain lines the command line writes about a run: each video's end, the search's answer and
// the closing summary.

// A size in decimal units, one decimal from 1 kB on: "999 B", "1.0 kB", "41.2 MB".
std::string ByteSizeText(std::int64_t bytes);
// "12.4 s", "3 min 05 s", "2 h 07 min".
std::string DurationText(double seconds);

// "saved    12.3 MB  FILE  (ADDRESS)", "rejected ADDRESS : WHY" or "failed   ADDRESS : WHY".
std::string VideoEndLine(const VideoEnd& end);

// What the search of this run got, once its step is over.
std::string SearchOutcomeText(const RunState& state);

// "HEADLINE: saved N videos (SIZE) in TIME, RATE/s average, in FOLDER", then what was rejected,
// failed, skipped for robots.txt or paused, when any was.
std::string RunSummaryText(const std::string& headline, const RunState& state, double seconds);

}  // namespace ch
