#pragma once

#include <cstdint>
#include <memory>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "engine/status_report.h"
#include "netstat/c_ip_helper.h"

namespace ch {

// The received-throughput figure of the search window's status bar: PollInterfaces reads the
// counters, SampleThroughput turns two readings into Kbps. The owner calls Tick every 500 ms, and
// only while the figure can be seen: Resume when it becomes visible again, so that the first
// figure after a pause covers the last 500 ms and not the whole pause.
class ThroughputMeter {
  public:
    ThroughputMeter(InterfaceTable& table, MessageBox& messages, const RunState& state,
                    SearchView& view)
        : IpHelper(table, messages), report_(state, view) {}

    void PollInterfaces();
    void SampleThroughput();
    // One sample from counters read just before it.
    void Tick();
    // A fresh reading as the previous sample, without a figure; a failed read leaves none, so
    // the next sample counts as a first one.
    void Resume();

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
