#pragma once

#include <string>
#include <string_view>

// The text rules every part shares: ASCII letter case (the file system and the web treat letters
// as ASCII), blank trimming, replacement, and the keyword's form in file and page names.
namespace ch::text {

std::string ToLower(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Removes leading and trailing blanks (spaces only, as the page rules expect).
std::string TrimSpaces(std::string_view text);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
bool Contains(std::string_view text, std::string_view part);
// The keyword as it appears in file and page names: blanks become "_".
std::string KeywordFilePart(std::string_view keyword);
// The text as one value of a web address's query or path: letters, digits and "-._~" stay,
// blanks become "+", every other byte is written as %XX, so it cannot add parts of its own.
std::string PercentEncode(std::string_view text);

}  // namespace ch::text
