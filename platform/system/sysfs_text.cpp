#include "platform/system/sysfs_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>

namespace ch {

std::optional<std::string> ReadAttributeLine(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::array<char, 256> buffer{};
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (got < 0) return std::nullopt;
    std::string text(buffer.data(), static_cast<size_t>(got));
    if (const auto end = text.find('\n'); end != std::string::npos) text.resize(end);
    return text;
}

std::optional<std::int64_t> ReadAttributeNumber(const std::filesystem::path& file) {
    const auto text = ReadAttributeLine(file);
    if (!text || text->empty()) return std::nullopt;
    const char* first = text->data();
    const char* last = first + text->size();
    int base = 10;
    if (text->starts_with("0x")) {
        first += 2;
        base = 16;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

}  // namespace ch
