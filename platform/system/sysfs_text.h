#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace ch {

// The first line of a small kernel attribute file, without its line end; nothing when the file
// cannot be read.
std::optional<std::string> ReadAttributeLine(const std::filesystem::path& file);

// A decimal or "0x" hexadecimal attribute as a number; nothing when missing or not a number.
std::optional<std::int64_t> ReadAttributeNumber(const std::filesystem::path& file);

}  // namespace ch
