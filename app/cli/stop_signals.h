#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace ch {

// Turns SIGINT and SIGTERM into calls on the event loop. The handler only writes the signal
// number into a pipe; the pipe's notifier then calls `onSignal` with how many signals have come
// so far (1 for the first Ctrl-C, 2 for the second, ...). One instance at a time.
class StopSignals : public QObject {
    Q_OBJECT

  public:
    explicit StopSignals(std::function<void(int count)> onSignal);
    ~StopSignals() override;

    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    void Drain();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    int count_ = 0;
};

}  // namespace ch
