#include "platform/net/system_clock.h"

#include <QLocale>
#include <QTime>

namespace ch {

SystemClock::SystemClock() {
    monotonic_.start();
}

double SystemClock::MonotonicSeconds() {
    return static_cast<double>(monotonic_.nsecsElapsed()) / 1e9;
}

double SystemClock::SecondsSinceMidnight() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

std::string SystemClock::TimeOfDayText() {
    return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat).toStdString();
}

}  // namespace ch
