#include "netstat/interface_row_conversion.h"

#include <algorithm>
#include <cstdint>

namespace ch {
namespace {

std::string ByteInHex(std::uint8_t byte) {
    if (byte == 0) return "00";
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    if (byte >= 16) text += kDigits[byte / 16];
    text += kDigits[byte % 16];
    return text;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::int32_t Signed(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::string FormatAdapterAddress(const InterfaceRow& row) {
    const size_t used = std::min<size_t>(row.PhysAddrLen, row.PhysAddr.size());
    std::string address;
    for (size_t i = 0; i < used; ++i) {
        if (i > 0) address += '-';
        address += ByteInHex(row.PhysAddr[i]);
    }
    return address;
}

std::optional<std::string> InterfaceNameText(const std::u16string& name) {
    std::string text;
    for (size_t i = 0; i < name.size() && name[i] != u'\0'; ++i) {
        std::uint32_t unit = name[i];
        if (unit >= 0xDC00 && unit <= 0xDFFF) return std::nullopt;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= name.size()) return std::nullopt;
            const std::uint32_t low = name[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        AppendUtf8(unit, text);
    }
    return text;
}

void CopyInterfaceRow(const InterfaceRow& row, CInterface& objInterface) {
    objInterface.InterfaceDescription = row.Descr.substr(0, row.DescrLen);
    objInterface.AdapterAddress = FormatAdapterAddress(row);
    objInterface.AdminStatus = Signed(row.AdminStatus);
    objInterface.InterfaceIndex = Signed(row.Index);
    objInterface.DiscardedIncomingPackets = Signed(row.InDiscards);
    objInterface.IncomingErrors = Signed(row.InErrors);
    objInterface.NonunicastPacketsReceived = Signed(row.InNUcastPkts);
    objInterface.OctetsReceived = Signed(row.InOctets);
    objInterface.UnicastPacketsReceived = Signed(row.InUcastPkts);
    objInterface.UnknownProtocolPackets = Signed(row.InUnknownProtos);
    objInterface.LastChange = UptimeTicks(row.LastChange);
    objInterface.MaximumTransmissionUnit = Signed(row.Mtu);
    objInterface.OperationalStatus = Signed(row.OperStatus);
    objInterface.DiscardedOutgoingPackets = Signed(row.OutDiscards);
    objInterface.OutgoingErrors = Signed(row.OutErrors);
    objInterface.NonunicastPacketsSent = Signed(row.OutNUcastPkts);
    objInterface.OctetsSent = Signed(row.OutOctets);
    objInterface.OutputQueueLength = Signed(row.OutQLen);
    objInterface.UnicastPacketsSent = Signed(row.OutUcastPkts);
    objInterface.Speed = Signed(row.Speed);
    objInterface.InterfaceType = Signed(row.Type);
    if (auto name = InterfaceNameText(row.Name)) objInterface.InterfaceName = std::move(*name);
}

}  // namespace ch
