#include "settings/video_settings.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

#include "engine/text.h"

namespace ch {

std::optional<std::int64_t> ParseByteSize(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);

    std::int64_t unit = 1;
    switch (std::tolower(static_cast<unsigned char>(text.back()))) {
        case 'k':
            unit = 1'000;
            break;
        case 'm':
            unit = 1'000'000;
            break;
        case 'g':
            unit = 1'000'000'000;
            break;
    }
    if (unit != 1) text.remove_suffix(1);
    // from_chars would take a minus sign; a size has none.
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (number > std::numeric_limits<std::int64_t>::max() / unit) return std::nullopt;
    return number * unit;
}

std::string FormatByteSize(std::int64_t bytes) {
    if (bytes == 0) return "0";
    for (const auto& [unit, letter] :
         {std::pair<std::int64_t, char>{1'000'000'000, 'G'}, {1'000'000, 'M'}, {1'000, 'K'}}) {
        if (bytes % unit == 0) return std::to_string(bytes / unit) + letter;
    }
    return std::to_string(bytes);
}

std::string VideoSizeWindowError(std::int64_t minBytes, std::int64_t maxBytes) {
    if (minBytes < 0 || maxBytes < 0) return "a video size cannot be negative";
    if (maxBytes != 0 && minBytes > maxBytes)
        return "the minimum size (" + std::to_string(minBytes) + " bytes) is above the maximum (" +
               std::to_string(maxBytes) + " bytes)";
    return "";
}

std::optional<VideoTypes> ParseVideoTypes(std::string_view text) {
    if (text::ToLower(text) == kModernVideoTypesName) return VideoTypes::Modern;
    if (text::ToLower(text) == kClassicVideoTypesName) return VideoTypes::Classic;
    return std::nullopt;
}

const char* VideoTypesName(VideoTypes types) {
    return types == VideoTypes::Classic ? kClassicVideoTypesName : kModernVideoTypesName;
}

}  // namespace ch
