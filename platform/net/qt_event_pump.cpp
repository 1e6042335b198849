#include "platform/net/qt_event_pump.h"

#include <QCoreApplication>

namespace ch {

namespace {

constexpr int kTickMs = 50;

}  // namespace

QtEventPump::QtEventPump() {
    tick_.setSingleShot(true);
    tick_.setInterval(kTickMs);
}

void QtEventPump::Yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::WaitForEvent() {
    tick_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace ch
