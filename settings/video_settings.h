#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/run_state.h"

namespace ch {

// The names the settings file and the command line give the two video type choices.
inline constexpr const char* kModernVideoTypesName = "modern";
inline constexpr const char* kClassicVideoTypesName = "classic";

// A size as the user types it: a whole number of bytes, or a whole number followed by K, M or G
// (powers of 1000, either case), as in 200000, 500K or 50M. Blanks around it are allowed; a
// sign, a fraction or a size beyond std::int64_t is not.
std::optional<std::int64_t> ParseByteSize(std::string_view text);

// The shortest text ParseByteSize reads back as `bytes` (a non-negative size): 200K for 200000.
std::string FormatByteSize(std::int64_t bytes);

// Why (minBytes, maxBytes) cannot be the size window of the kept videos, as one line; empty when
// it can. A maximum of 0 is no ceiling.
std::string VideoSizeWindowError(std::int64_t minBytes, std::int64_t maxBytes);

// "modern" or "classic", either case; nothing for anything else.
std::optional<VideoTypes> ParseVideoTypes(std::string_view text);
const char* VideoTypesName(VideoTypes types);

}  // namespace ch
