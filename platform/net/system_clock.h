#pragma once

#include <QElapsedTimer>

#include "engine/ports.h"

namespace ch {

// The machine's clocks: a monotonic one for time-outs, the local wall clock for the rest.
class SystemClock : public Clock {
  public:
    SystemClock();
    double MonotonicSeconds() override;
    double SecondsSinceMidnight() override;
    std::string TimeOfDayText() override;

  private:
    QElapsedTimer monotonic_;
};

}  // namespace ch
