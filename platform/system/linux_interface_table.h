#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "netstat/interface_table.h"

namespace ch {

// The interface table of a Linux machine: every interface of /proc/net/dev, loopback included,
// with its counters cut to 32 bits as the platform's table gives them, and index, type, MTU,
// speed, status and hardware address from /sys/class/net/<name>/.
//
// It is read a hundred times a second for the whole life of the program, so /proc/net/dev stays
// open and is re-read with pread, and the slowly changing /sys attributes are read again only
// when the set of interfaces changes or attributeMaxAge has passed.
class LinuxInterfaceTable : public InterfaceTable {
  public:
    explicit LinuxInterfaceTable(
        std::filesystem::path procNetDev = "/proc/net/dev",
        std::filesystem::path sysClassNet = "/sys/class/net",
        std::chrono::steady_clock::duration attributeMaxAge = std::chrono::seconds(1));
    ~LinuxInterfaceTable() override;
    LinuxInterfaceTable(const LinuxInterfaceTable&) = delete;
    LinuxInterfaceTable& operator=(const LinuxInterfaceTable&) = delete;

    TableStatus Read(std::vector<InterfaceRow>& rows) override;

    // The sixteen counters of a /proc/net/dev line, in the file's order.
    using CounterValues = std::array<std::uint64_t, 16>;

  private:
    struct CounterLine {
        std::string_view Name;  // inside text_
        CounterValues Counters{};
    };

    bool ReadCounterText();
    void RefreshAttributesIfStale();
    InterfaceRow AttributesOf(const std::string& name) const;

    int fd_ = -1;
    std::filesystem::path sysClassNet_;
    std::chrono::steady_clock::duration attributeMaxAge_;
    std::string text_;
    std::vector<CounterLine> lines_;
    // The interfaces whose /sys attributes were read last, and those attributes, in one order.
    std::vector<std::string> attributeNames_;
    std::vector<InterfaceRow> attributes_;
    std::chrono::steady_clock::time_point attributesReadAt_{};
};

}  // namespace ch
