#include "platform/system/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace ch {

namespace {

// The pipe between the handler and the event loop; a handler can reach nothing else safely.
int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    // A full pipe already holds enough wake-ups; a lost byte changes nothing.
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void Install(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

}  // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, std::function<void(int)> onSignal)
    : signalNumbers_(signalNumbers), onSignal_(std::move(onSignal)) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::Drain);
    for (int number : signalNumbers_) Install(number, OnSignal);
}

SignalPipe::~SignalPipe() {
    for (int number : signalNumbers_) Install(number, SIG_DFL);
    notifier_->setEnabled(false);
    for (int& fd : signalPipe) {
        close(fd);
        fd = -1;
    }
}

void SignalPipe::Drain() {
    char bytes[64];
    ssize_t got = 0;
    while ((got = read(signalPipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i) onSignal_(++count_);
    }
}

}  // namespace ch
