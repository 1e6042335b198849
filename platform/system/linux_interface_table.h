#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "netstat/interface_table.h"

namespace ch {

// The interface table of a Linux machine: one row for every interface of /proc/net/dev,
// loopback included, with its received and sent byte counters cut to 32 bits as the platform's
// table gives them. Nothing reads the other fields of a row, so they are left at zero.
//
// It is read a hundred times a second for the whole life of the program, so /proc/net/dev stays
// open and is re-read with pread into a buffer that is kept between reads.
class LinuxInterfaceTable : public InterfaceTable {
  public:
    explicit LinuxInterfaceTable(std::filesystem::path procNetDev = "/proc/net/dev");
    ~LinuxInterfaceTable() override;
    LinuxInterfaceTable(const LinuxInterfaceTable&) = delete;
    LinuxInterfaceTable& operator=(const LinuxInterfaceTable&) = delete;

    TableStatus Read(std::vector<InterfaceRow>& rows) override;

  private:
    bool ReadCounterText();

    int fd_ = -1;
    std::string text_;
};

}  // namespace ch
