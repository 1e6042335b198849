#include "netstat/c_interfaces.h"

#include <stdexcept>
#include <utility>

namespace ch {

std::shared_ptr<CInterface> CInterfaces::Add(std::shared_ptr<CInterface>& objInterface) {
    items_.push_back(std::exchange(objInterface, nullptr));
    return items_.back();
}

std::shared_ptr<CInterface> CInterfaces::Item(int position) const {
    if (position < 1 || position > Count())
        throw std::out_of_range("no interface at position " + std::to_string(position));
    return items_[static_cast<size_t>(position - 1)];
}

}  // namespace ch
