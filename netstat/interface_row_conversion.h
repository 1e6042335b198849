#pragma once

#include <optional>
#include <string>

#include "netstat/c_interface.h"
#include "netstat/interface_table.h"

namespace ch {

// The hardware address as uppercase hexadecimal bytes joined by "-", each without a leading
// zero except that a zero byte reads "00": 00 0C 29 0A 0B 1F gives "00-C-29-A-B-1F".
std::string FormatAdapterAddress(const InterfaceRow& row);

// UTF-16 text up to its first NUL as UTF-8; nothing when it holds an unpaired surrogate.
std::optional<std::string> InterfaceNameText(const std::u16string& name);

// Fills every property of objInterface from the row. A property whose conversion fails is left
// as it was; the others are still set.
void CopyInterfaceRow(const InterfaceRow& row, CInterface& objInterface);

}  // namespace ch
