#pragma once

#include <optional>
#include <string>

#include "engine/ports.h"

namespace ch {

// A monotonic clock that leaves out the time the program did not run. A run reads the clock at
// least every tick (50 ms), so a gap of more than kPauseSeconds between two readings means the
// process was stopped or the machine suspended: a pause, not a silence of the network, so the
// time-outs do not count it.
class PauseAwareClock : public Clock {
  public:
    static constexpr double kPauseSeconds = 5.0;

    explicit PauseAwareClock(Clock& clock) : clock_(clock) {}

    double MonotonicSeconds() override {
        const double now = clock_.MonotonicSeconds();
        if (last_ && now - *last_ > kPauseSeconds) paused_ += now - *last_;
        last_ = now;
        return now - paused_;
    }
    double SecondsSinceMidnight() override { return clock_.SecondsSinceMidnight(); }
    std::string TimeOfDayText() override { return clock_.TimeOfDayText(); }

  private:
    Clock& clock_;
    std::optional<double> last_;
    double paused_ = 0;
};

}  // namespace ch
