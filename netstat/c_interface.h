#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ch {

// The moment of an interface's last status change, counted from the start of the system.
using UptimeTicks = std::chrono::duration<std::int64_t, std::centi>;

// One interface as seen by the last query. Nothing in the program reads these properties, so the
// query leaves them empty; only the byte sums of CIpHelper are gathered.
struct CInterface {
    std::string InterfaceDescription;
    std::string AdapterAddress;
    std::int32_t AdminStatus = 0;
    std::int32_t InterfaceIndex = 0;
    std::int32_t DiscardedIncomingPackets = 0;
    std::int32_t IncomingErrors = 0;
    std::int32_t NonunicastPacketsReceived = 0;
    std::int32_t OctetsReceived = 0;
    std::int32_t UnicastPacketsReceived = 0;
    std::int32_t UnknownProtocolPackets = 0;
    UptimeTicks LastChange{0};
    std::int32_t MaximumTransmissionUnit = 0;
    std::int32_t OperationalStatus = 0;
    std::int32_t DiscardedOutgoingPackets = 0;
    std::int32_t OutgoingErrors = 0;
    std::int32_t NonunicastPacketsSent = 0;
    std::int32_t OctetsSent = 0;
    std::int32_t OutputQueueLength = 0;
    std::int32_t UnicastPacketsSent = 0;
    std::int32_t Speed = 0;
    std::int32_t InterfaceType = 0;
    std::string InterfaceName;  // UTF-8
};

}  // namespace ch
