#include "platform/net/qt_event_pump.h"

#include <QCoreApplication>
#include <QEvent>

namespace ch {

namespace {

constexpr int kTickMs = 50;

// Objects handed to deleteLater() are only deleted by an event loop's exec(); a program that
// waits here instead (the engine's run) would keep every finished reply until it ends.
void DeleteLaterObjects() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

QtEventPump::QtEventPump() {
    tick_.setSingleShot(true);
    tick_.setInterval(kTickMs);
}

void QtEventPump::Yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    DeleteLaterObjects();
}

void QtEventPump::WaitForEvent() {
    tick_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    DeleteLaterObjects();
}

}  // namespace ch
