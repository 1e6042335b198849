#pragma once

#include <string>

#include "engine/run_state.h"

namespace ch {

// The seed page of a keyword on the product's web site: blanks become "_", and the keyword is
// percent-encoded, so that it stays one part of the address.
std::string SeedPageAddress(const std::string& keyword);

// What pressing Search does to the run state before the engine starts: the page batch holds the
// seed page of CurrentKeyword, and the lists and counters of the last run are emptied.
void PrepareSearch(RunState& state);

}  // namespace ch
