#pragma once

#include <cstdint>
#include <memory>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/status_report.h"
#include "netstat/c_ip_helper.h"

namespace ch {

// The received-throughput figure of the search window's status bar: PollInterfaces keeps the
// counters fresh (every 10 ms), SampleThroughput turns two readings into Kbps (every 500 ms).
class ThroughputMeter {
  public:
    ThroughputMeter(InterfaceTable& table, MessageBox& messages, const RunState& state,
                    SearchView& view)
        : IpHelper(table, messages), report_(state, view) {}

    void PollInterfaces();
    void SampleThroughput();

    CIpHelper IpHelper;
    std::shared_ptr<CInterface> FirstInterface;
    std::int32_t LastBytesReceived = 0;  // 0: no previous sample
    std::int32_t CurrentKbps = 0;

  private:
    StatusReport report_;
    bool polling_ = false;           // a poll that opened a message box is still running
    bool tableUnsupported_ = false;  // said once; the table is not asked again
};

}  // namespace ch
