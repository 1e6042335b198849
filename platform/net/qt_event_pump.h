#pragma once

#include <QTimer>

#include "engine/ports.h"

namespace ch {

// Runs the Qt event loop of the user-interface thread while the engine waits.
class QtEventPump : public EventPump {
  public:
    QtEventPump();
    void Yield() override;
    // Blocks until an event arrives; the tick makes sure it returns within 50 ms even when none
    // does, so the caller gets to look at its exit condition again.
    void WaitForEvent() override;

  private:
    QTimer tick_;
};

}  // namespace ch
