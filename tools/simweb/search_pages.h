#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/simweb/scenario.h"

namespace ch::simweb {

// Parses "google", "google-gate", "google-sorry", "ddg-lite", "ddg-anomaly", "searx"; false when
// the name is none of them.
bool SearchPageKindNamed(std::string_view name, SearchPageKind& kind);

// The answer to `url` (whose q parameter is the query shown) as the page describes it.
Response SearchAnswer(const SearchPage& page, std::string_view url);

// The decoded value of a query parameter of an address ("" when missing); "+" is a blank.
std::string QueryParameter(std::string_view url, std::string_view key);

}  // namespace ch::simweb
