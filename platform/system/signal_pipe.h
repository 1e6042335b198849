#pragma once

#include <QObject>
#include <functional>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace ch {

// Turns the given signals into calls on the event loop. The handler only writes a byte into a
// pipe; the pipe's notifier then calls `onSignal` with how many signals have come so far (1 for
// the first, 2 for the second, ...). One instance per process at a time.
class SignalPipe : public QObject {
    Q_OBJECT

  public:
    SignalPipe(std::initializer_list<int> signalNumbers, std::function<void(int count)> onSignal);
    ~SignalPipe() override;

    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

  private:
    void Drain();

    std::vector<int> signalNumbers_;
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    int count_ = 0;
};

}  // namespace ch
