#pragma once

namespace ch {

// Names and addresses of the product, each in one place.
inline constexpr const char* kProductTitle = "ClipHarvester 2.0";
inline constexpr const char* kProductWebPage = "http://www.clipharvester.example/";
// Sent with every request, so that servers can tell what visits them; robots.txt groups name it
// by its first word.
inline constexpr const char* kUserAgent = "ClipHarvester/2.0 (+http://www.clipharvester.example/)";
inline constexpr const char* kRobotsAgent = "ClipHarvester";
// The seed page of a keyword is this prefix, "_", the keyword with blanks as "_", then ".htm".
inline constexpr const char* kSeedPagePrefix = "http://www.clipharvester.example/clipharvester";
inline constexpr const char* kResultsHost = "www.google.com";
inline constexpr const char* kMakerLine = "Made by the ClipHarvester team";
inline constexpr const char* kDefaultKeyword = "funny";

}  // namespace ch
