#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/random_generator.h"

namespace ch {

// The most queries a plan holds; a longer query list file is read up to here.
inline constexpr int kQueryPlanSize = 15;

// The default keyword's plan in its initial order: number, blank, query.
const std::array<std::string, kQueryPlanSize>& PredefinedQueryPlan();

// True for the default keyword in any letter case.
bool IsDefaultKeyword(const std::string& keyword);

// The results page of the query that starts at the given result (0, 100, 200, ...).
std::string ResultsPageAddress(const std::string& query, int start);

// Three passes that swap each entry from index 1 on with a later one; entry 0 stays in place.
void ShuffleQueryPlan(std::vector<std::string>& plan, RandomGenerator& random);

// The text after the first blank, or the whole text when it has none.
std::string TextAfterFirstBlank(const std::string& text);

}  // namespace ch
