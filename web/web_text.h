#pragma once

#include <string>
#include <string_view>

// Small text helpers of the web code: ASCII letter case, blank trimming, replacement.
namespace ch::webtext {

std::string ToLower(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Removes leading and trailing blanks (spaces only, as the page rules expect).
std::string TrimSpaces(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
bool Contains(std::string_view text, std::string_view part);

}  // namespace ch::webtext
