#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ports.h"
#include "netstat/c_interfaces.h"
#include "netstat/interface_table.h"

namespace ch {

inline constexpr const char* kIpHelperTitle = "ClipHarvester";
inline constexpr const char* kIpHelperNotSupported = "IP Helper is not supported by this system.";

// Queries the interface table and sums the received and sent octets over every row, loopback
// and interfaces that are down included.
class CIpHelper {
  public:
    CIpHelper(InterfaceTable& table, MessageBox& messages) : table_(table), messages_(messages) {}

    // Every read is a fresh query that replaces the collection and recomputes both sums.
    std::shared_ptr<CInterfaces> Interfaces();
    // Stores a collection without querying.
    void SetInterfaces(std::shared_ptr<CInterfaces> interfaces);

    // The sums of the last query; reading them never queries.
    std::int32_t BytesReceived() const { return bytesReceived_; }
    std::int32_t BytesSent() const { return bytesSent_; }
    // How the last query ended (Ok before the first one).
    TableStatus LastStatus() const { return lastStatus_; }

  private:
    void RefreshInterfaceTable(CInterfaces& interfaces);

    InterfaceTable& table_;
    MessageBox& messages_;
    std::shared_ptr<CInterfaces> interfaces_;
    std::int32_t bytesReceived_ = 0;
    std::int32_t bytesSent_ = 0;
    TableStatus lastStatus_ = TableStatus::Ok;
    std::vector<InterfaceRow> rows_;  // reused between queries to spare an allocation per poll
};

}  // namespace ch
