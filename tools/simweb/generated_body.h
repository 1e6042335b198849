#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ch::simweb {

// Video files are not stored: their bytes are computed from the address and the offset, so a
// 50 MB file costs no memory and a test can check every saved byte.
std::string GeneratedBytes(std::string_view url, std::int64_t offset, std::int64_t count);

}  // namespace ch::simweb
