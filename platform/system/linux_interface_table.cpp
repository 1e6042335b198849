#include "platform/system/linux_interface_table.h"

#include <fcntl.h>
#include <net/if.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/system/sysfs_text.h"

namespace ch {
namespace {

// Interface types and states in the platform table's codes.
constexpr std::uint32_t kTypeOther = 1;
constexpr std::uint32_t kTypeEthernet = 6;
constexpr std::uint32_t kTypePpp = 23;
constexpr std::uint32_t kTypeLoopback = 24;
constexpr std::uint32_t kTypeWireless = 71;
constexpr std::uint32_t kTypeTunnel = 131;
constexpr std::uint32_t kAdminUp = 1;
constexpr std::uint32_t kAdminDown = 2;
constexpr std::uint32_t kOperNonOperational = 0;
constexpr std::uint32_t kOperDisconnected = 2;
constexpr std::uint32_t kOperConnecting = 3;
constexpr std::uint32_t kOperOperational = 5;

// The counters of one /proc/net/dev line, in the file's column order.
enum Column {
    RxBytes,
    RxPackets,
    RxErrs,
    RxDrop,
    RxFifo,
    RxFrame,
    RxCompressed,
    RxMulticast,
    TxBytes,
    TxPackets,
    TxErrs,
    TxDrop,
};
using Counters = LinuxInterfaceTable::CounterValues;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// "  eth0: 123 4 ..." into the name and its sixteen counters.
bool ParseCounterLine(std::string_view line, std::string_view& name, Counters& counters) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    name = Trimmed(line.substr(0, colon));
    if (name.empty()) return false;
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

std::uint32_t TableType(std::int64_t hardwareType) {
    switch (hardwareType) {
        case 1:
            return kTypeEthernet;
        case 512:
            return kTypePpp;
        case 772:
            return kTypeLoopback;
        case 801:
        case 802:
        case 803:
            return kTypeWireless;
        case 768:
        case 769:
        case 776:
        case 778:
            return kTypeTunnel;
        default:
            return kTypeOther;
    }
}

std::uint32_t OperationalStatus(const std::string& operstate, bool carrier) {
    if (operstate == "up") return kOperOperational;
    // Loopback and many virtual interfaces report "unknown" while carrying traffic.
    if (operstate == "unknown") return carrier ? kOperOperational : kOperNonOperational;
    if (operstate == "dormant" || operstate == "testing") return kOperConnecting;
    if (operstate.empty()) return kOperNonOperational;
    return kOperDisconnected;
}

// Bits per second from the megabits of /sys; unknown (-1 or unreadable) gives 0.
std::uint32_t SpeedBits(std::int64_t megabits) {
    if (megabits <= 0) return 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(std::min(megabits * 1000000, kMax));
}

// "aa:bb:cc" into the row's address bytes, at most as many as the row holds.
void ParseHardwareAddress(const std::string& text, InterfaceRow& row) {
    std::uint32_t count = 0;
    const char* cursor = text.data();
    const char* end = cursor + text.size();
    while (cursor < end && count < row.PhysAddr.size()) {
        std::uint8_t byte = 0;
        const auto [next, error] = std::from_chars(cursor, end, byte, 16);
        if (error != std::errc()) break;
        row.PhysAddr[count++] = byte;
        cursor = next;
        if (cursor < end && *cursor == ':') ++cursor;
    }
    row.PhysAddrLen = count;
}

}  // namespace

LinuxInterfaceTable::LinuxInterfaceTable(std::filesystem::path procNetDev,
                                         std::filesystem::path sysClassNet,
                                         std::chrono::steady_clock::duration attributeMaxAge)
    : fd_(::open(procNetDev.c_str(), O_RDONLY | O_CLOEXEC)),
      sysClassNet_(std::move(sysClassNet)),
      attributeMaxAge_(attributeMaxAge) {}

LinuxInterfaceTable::~LinuxInterfaceTable() {
    if (fd_ >= 0) ::close(fd_);
}

TableStatus LinuxInterfaceTable::Read(std::vector<InterfaceRow>& rows) {
    rows.clear();
    if (fd_ < 0) return TableStatus::NotSupported;
    if (!ReadCounterText()) return TableStatus::Failed;

    lines_.clear();
    std::string_view rest(text_);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const auto line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        CounterLine parsed;
        // The two heading lines and anything malformed hold no interface.
        if (ParseCounterLine(line, parsed.Name, parsed.Counters)) lines_.push_back(parsed);
    }
    RefreshAttributesIfStale();

    for (size_t i = 0; i < lines_.size(); ++i) {
        const Counters& counters = lines_[i].Counters;
        InterfaceRow& row = rows.emplace_back(attributes_[i]);
        row.InOctets = Low32(counters[RxBytes]);
        row.InNUcastPkts = Low32(counters[RxMulticast]);
        row.InUcastPkts =
            Low32(counters[RxPackets] - std::min(counters[RxPackets], counters[RxMulticast]));
        row.InDiscards = Low32(counters[RxDrop]);
        row.InErrors = Low32(counters[RxErrs]);
        row.OutOctets = Low32(counters[TxBytes]);
        row.OutUcastPkts = Low32(counters[TxPackets]);
        row.OutDiscards = Low32(counters[TxDrop]);
        row.OutErrors = Low32(counters[TxErrs]);
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

void LinuxInterfaceTable::RefreshAttributesIfStale() {
    const auto now = std::chrono::steady_clock::now();
    const bool sameInterfaces = std::equal(
        lines_.begin(), lines_.end(), attributeNames_.begin(), attributeNames_.end(),
        [](const CounterLine& line, const std::string& name) { return line.Name == name; });
    if (sameInterfaces && now - attributesReadAt_ < attributeMaxAge_) return;
    attributeNames_.clear();
    attributes_.clear();
    for (const auto& line : lines_) {
        attributeNames_.emplace_back(line.Name);
        attributes_.push_back(AttributesOf(attributeNames_.back()));
    }
    attributesReadAt_ = now;
}

InterfaceRow LinuxInterfaceTable::AttributesOf(const std::string& name) const {
    const auto folder = sysClassNet_ / name;
    InterfaceRow row;
    row.Name = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdU16String();
    row.Descr = name;
    row.DescrLen = static_cast<std::uint32_t>(name.size());
    row.Index = static_cast<std::uint32_t>(ReadAttributeNumber(folder / "ifindex").value_or(0));
    row.Type = TableType(ReadAttributeNumber(folder / "type").value_or(-1));
    row.Mtu = static_cast<std::uint32_t>(ReadAttributeNumber(folder / "mtu").value_or(0));
    row.Speed = SpeedBits(ReadAttributeNumber(folder / "speed").value_or(0));
    const auto flags = ReadAttributeNumber(folder / "flags").value_or(0);
    row.AdminStatus = (flags & IFF_UP) ? kAdminUp : kAdminDown;
    row.OperStatus = OperationalStatus(ReadAttributeLine(folder / "operstate").value_or(""),
                                       ReadAttributeNumber(folder / "carrier").value_or(0) == 1);
    ParseHardwareAddress(ReadAttributeLine(folder / "address").value_or(""), row);
    if (const auto length = ReadAttributeNumber(folder / "addr_len"))
        row.PhysAddrLen = std::min(row.PhysAddrLen, static_cast<std::uint32_t>(*length));
    return row;
}

}  // namespace ch
