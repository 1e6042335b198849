#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ch {

// The key every list line is scrambled with. Changing it makes every saved list unreadable.
inline constexpr std::string_view kListKey = "LunarOrchidGx";

std::int32_t KeyHash(std::string_view key);

// Shifts each printable character (32 to 126) by a number drawn from the generator restarted for
// every line; other characters are dropped. UnscrambleLine undoes it.
std::string ScrambleLine(std::string_view key, std::string_view text);
std::string UnscrambleLine(std::string_view key, std::string_view text);

}  // namespace ch
