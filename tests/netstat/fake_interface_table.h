#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "netstat/interface_table.h"

namespace ch::testing {

// An interface table whose answer and rows the test sets; counts the reads.
class FakeInterfaceTable : public InterfaceTable {
  public:
    TableStatus status = TableStatus::Ok;
    std::vector<InterfaceRow> rows;
    int reads = 0;

    TableStatus Read(std::vector<InterfaceRow>& out) override {
        ++reads;
        out = status == TableStatus::Ok ? rows : std::vector<InterfaceRow>();
        return status;
    }
    // One row per (received, sent) pair of byte counters.
    void Set(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& counters) {
        rows.assign(counters.size(), {});
        for (size_t i = 0; i < counters.size(); ++i)
            std::tie(rows[i].InOctets, rows[i].OutOctets) = counters[i];
    }
};

}  // namespace ch::testing
