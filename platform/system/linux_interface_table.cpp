#include "platform/system/linux_interface_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace ch {
namespace {

// The columns of a /proc/net/dev line that the table fills: received and sent bytes.
constexpr size_t kRxBytes = 0;
constexpr size_t kTxBytes = 8;
using Counters = std::array<std::uint64_t, 16>;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The sixteen counters of "  eth0: 123 4 ...", a line that names an interface.
bool ParseCounterLine(std::string_view line, Counters& counters) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || Trimmed(line.substr(0, colon)).empty()) return false;
    const char* cursor = line.data() + colon + 1;
    const char* end = line.data() + line.size();
    for (auto& counter : counters) {
        while (cursor < end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
        const auto [next, error] = std::from_chars(cursor, end, counter);
        if (error != std::errc()) return false;
        cursor = next;
    }
    return true;
}

std::uint32_t Low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

}  // namespace

LinuxInterfaceTable::LinuxInterfaceTable(std::filesystem::path procNetDev)
    : fd_(::open(procNetDev.c_str(), O_RDONLY | O_CLOEXEC)) {}

LinuxInterfaceTable::~LinuxInterfaceTable() {
    if (fd_ >= 0) ::close(fd_);
}

TableStatus LinuxInterfaceTable::Read(std::vector<InterfaceRow>& rows) {
    rows.clear();
    if (fd_ < 0) return TableStatus::NotSupported;
    if (!ReadCounterText()) return TableStatus::Failed;

    std::string_view rest(text_);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const auto line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        Counters counters{};
        // The two heading lines and anything malformed hold no interface.
        if (!ParseCounterLine(line, counters)) continue;
        InterfaceRow& row = rows.emplace_back();
        row.InOctets = Low32(counters[kRxBytes]);
        row.OutOctets = Low32(counters[kTxBytes]);
    }
    return TableStatus::Ok;
}

bool LinuxInterfaceTable::ReadCounterText() {
    size_t total = 0;
    text_.resize(std::max<size_t>(text_.capacity(), 4096));
    for (;;) {
        const size_t wanted = text_.size() - total;
        const ssize_t got = ::pread(fd_, text_.data() + total, wanted, static_cast<off_t>(total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        total += static_cast<size_t>(got);
        // The kernel fills the buffer as far as the text goes: a short read is the end, and
        // asking again would make it write the whole table once more.
        if (static_cast<size_t>(got) < wanted) break;
        text_.resize(text_.size() * 2);
    }
    text_.resize(total);
    return true;
}

}  // namespace ch
