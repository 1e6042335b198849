#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ch {

// One row of the machine's interface table, with the platform's unsigned 32-bit fields. Only
// InOctets and OutOctets are read; an adapter need not fill the others.
struct InterfaceRow {
    std::u16string Name;  // may hold a NUL; the name ends at the first one
    std::uint32_t Index = 0;
    std::uint32_t Type = 0;
    std::uint32_t Mtu = 0;
    std::uint32_t Speed = 0;
    std::uint32_t PhysAddrLen = 0;  // bytes of PhysAddr in use; more than its size means all
    std::array<std::uint8_t, 8> PhysAddr{};
    std::uint32_t AdminStatus = 0;
    std::uint32_t OperStatus = 0;
    std::uint32_t LastChange = 0;  // system uptime in hundredths of a second
    std::uint32_t InOctets = 0;
    std::uint32_t InUcastPkts = 0;
    std::uint32_t InNUcastPkts = 0;
    std::uint32_t InDiscards = 0;
    std::uint32_t InErrors = 0;
    std::uint32_t InUnknownProtos = 0;
    std::uint32_t OutOctets = 0;
    std::uint32_t OutUcastPkts = 0;
    std::uint32_t OutNUcastPkts = 0;
    std::uint32_t OutDiscards = 0;
    std::uint32_t OutErrors = 0;
    std::uint32_t OutQLen = 0;
    std::uint32_t DescrLen = 0;  // characters of Descr in use
    std::string Descr;           // 8-bit text
};

enum class TableStatus {
    Ok,
    NotSupported,  // the system has no interface table at all
    Failed,        // the table exists but could not be read this time
};

// The machine's interface table, read whole in table order.
class InterfaceTable {
  public:
    virtual ~InterfaceTable() = default;
    // Replaces rows with the current table; rows is empty unless the result is Ok.
    virtual TableStatus Read(std::vector<InterfaceRow>& rows) = 0;
};

}  // namespace ch
