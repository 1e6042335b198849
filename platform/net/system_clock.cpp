#include "platform/net/system_clock.h"

#include <QLocale>
#include <QTime>

namespace ch {

namespace {

// The system's long time format (with seconds) without its time zone part.
QString TimeFormatWithoutZone() {
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (c == u't' && !quoted) continue;
        result += c;
    }
    return result.trimmed();
}

}  // namespace

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
    return QLocale::system().toString(QTime::currentTime(), TimeFormatWithoutZone()).toStdString();
}

}  // namespace ch
