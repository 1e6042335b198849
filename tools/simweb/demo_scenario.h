#pragma once

#include <string_view>

#include "tools/simweb/scenario.h"

namespace ch::simweb {

// The web of the demo, in the text form ParseScenario reads.
std::string_view DemoScenarioText();
Scenario DemoScenario();

}  // namespace ch::simweb
