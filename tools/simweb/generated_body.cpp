#include "tools/simweb/generated_body.h"

namespace ch::simweb {

namespace {

std::uint32_t SeedOf(std::string_view url) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : url) hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

std::string GeneratedBytes(std::string_view url, std::int64_t offset, std::int64_t count) {
    const std::uint32_t seed = SeedOf(url);
    std::string bytes(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // The block number term makes a chunk written at the wrong place visible.
        const auto at = static_cast<std::uint64_t>(offset) + i;
        bytes[i] = static_cast<char>((seed + at * 7u + (at >> 12) * 13u) & 0xFFu);
    }
    return bytes;
}

}  // namespace ch::simweb
