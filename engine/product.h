#pragma once

namespace ch {

// Names and addresses of the product, each in one place.
inline constexpr const char* kProductTitle = "ClipHarvester 2.0";
inline constexpr const char* kProductWebPage = "http://www.clipharvester.example/";
// The seed page of a keyword is this prefix, "_", the keyword with blanks as "_", then ".htm".
inline constexpr const char* kSeedPagePrefix = "http://www.clipharvester.example/clipharvester";
inline constexpr const char* kResultsHost = "www.google.com";
inline constexpr const char* kMakerLine = "Made by the ClipHarvester team";
inline constexpr const char* kDefaultKeyword = "funny";

}  // namespace ch
