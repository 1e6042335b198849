#include "netstat/throughput_meter.h"

#include <string>

namespace ch {

void ThroughputMeter::PollInterfaces() {
    // The unsupported-table message runs its own event loop, in which this timer keeps firing.
    if (polling_ || tableUnsupported_) return;
    polling_ = true;
    if (!FirstInterface) FirstInterface = std::make_shared<CInterface>();
    const auto interfaces = IpHelper.Interfaces();
    if (IpHelper.LastStatus() == TableStatus::NotSupported) tableUnsupported_ = true;
    if (interfaces->Count() >= 1) FirstInterface = interfaces->Item(1);
    polling_ = false;
}

void ThroughputMeter::SampleThroughput() {
    const std::int32_t current = IpHelper.BytesReceived();
    if (current == 0) {
        // A failed query: show nothing moving and let the next sample start afresh.
        LastBytesReceived = 0;
        CurrentKbps = 0;
    } else {
        if (LastBytesReceived == 0) LastBytesReceived = current;
        // Counters wrap at 2^32; the difference modulo 2^32 is the true count.
        const auto delta = static_cast<std::int32_t>(static_cast<std::uint32_t>(current) -
                                                     static_cast<std::uint32_t>(LastBytesReceived));
        LastBytesReceived = current;
        CurrentKbps = delta / 128;
    }
    report_.Throughput(CurrentKbps);
}

void ThroughputMeter::Tick() {
    PollInterfaces();
    SampleThroughput();
}

void ThroughputMeter::Resume() {
    PollInterfaces();
    LastBytesReceived = IpHelper.BytesReceived();
}

}  // namespace ch
