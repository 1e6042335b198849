#include "netstat/c_ip_helper.h"

#include <utility>

namespace ch {
namespace {

// Adds a platform counter to a signed 32-bit sum; an addition that would leave the range is
// not applied.
void AddCounter(std::int32_t& sum, std::uint32_t counter) {
    std::int32_t result = 0;
    if (!__builtin_add_overflow(sum, static_cast<std::int32_t>(counter), &result)) sum = result;
}

}  // namespace

std::shared_ptr<CInterfaces> CIpHelper::Interfaces() {
    interfaces_ = std::make_shared<CInterfaces>();
    RefreshInterfaceTable(*interfaces_);
    return interfaces_;
}

void CIpHelper::SetInterfaces(std::shared_ptr<CInterfaces> interfaces) {
    interfaces_ = std::move(interfaces);
}

void CIpHelper::RefreshInterfaceTable(CInterfaces& interfaces) {
    bytesReceived_ = 0;
    bytesSent_ = 0;
    lastStatus_ = table_.Read(rows_);
    if (lastStatus_ == TableStatus::NotSupported) {
        messages_.Show(kIpHelperNotSupported, kIpHelperTitle, MessageIcon::None);
        return;
    }
    if (lastStatus_ != TableStatus::Ok) return;
    for (const InterfaceRow& row : rows_) {
        // One item per row keeps the collection's shape; nothing reads a row's other fields, so
        // the item is left empty.
        auto objInterface = std::make_shared<CInterface>();
        AddCounter(bytesReceived_, row.InOctets);
        AddCounter(bytesSent_, row.OutOctets);
        interfaces.Add(objInterface);
    }
}

}  // namespace ch
