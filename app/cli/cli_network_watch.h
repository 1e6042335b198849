#pragma once

#include <QObject>
#include <QTimer>

#include "engine/ports.h"
#include "engine/run_state.h"
#include "netstat/network_status.h"

namespace ch {

// The network watch (tmrAlarm) of the command-line front end: while the engine has it enabled,
// it checks the network once a second, as the tray program's does.
class CliNetworkWatch : public QObject, public NetworkWatch {
    Q_OBJECT

  public:
    CliNetworkWatch(RunState& state, NetworkStatus& status);

    void SetAlarmEnabled(bool enabled) override;
    bool AlarmEnabled() const { return timer_.isActive(); }

    // One tick of the watch.
    void Check();

  private:
    RunState& state_;
    NetworkStatus& status_;
    QTimer timer_;
};

}  // namespace ch
