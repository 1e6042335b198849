#pragma once

#include <memory>
#include <vector>

#include "netstat/c_interface.h"

namespace ch {

// An ordered collection of interfaces; positions count from 1 in insertion order.
class CInterfaces {
  public:
    // Appends the interface and empties the caller's handle, so a caller that reuses one
    // variable starts each row with a new object.
    std::shared_ptr<CInterface> Add(std::shared_ptr<CInterface>& objInterface);
    // Throws std::out_of_range for a position outside 1..Count().
    std::shared_ptr<CInterface> Item(int position) const;
    int Count() const { return static_cast<int>(items_.size()); }

  private:
    std::vector<std::shared_ptr<CInterface>> items_;
};

}  // namespace ch
