#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "netstat/interface_table.h"

namespace ch::testing {

// An interface table whose rows and answer the test sets; counts the reads.
class FakeInterfaceTable : public InterfaceTable {
  public:
    TableStatus status = TableStatus::Ok;
    std::vector<InterfaceRow> rows;
    int reads = 0;

    TableStatus Read(std::vector<InterfaceRow>& out) override {
        ++reads;
        out.clear();
        if (status == TableStatus::Ok) out = rows;
        return status;
    }

    // A single interface whose received counter is the given value.
    void SetReceived(std::uint32_t octets) { rows.assign(1, Row(u"eth0", octets, 0)); }

    static InterfaceRow Row(std::u16string name, std::uint32_t in, std::uint32_t out) {
        InterfaceRow row;
        row.Name = std::move(name);
        row.InOctets = in;
        row.OutOctets = out;
        return row;
    }
};

}  // namespace ch::testing
