#include "rows/calendar_clock.h"

#include <QDateTime>
#include <QLocale>

#include "rows/text_lines.h"

namespace {
// The long time format without its time zone: the time cell is a time of day.
QString LongTimeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}
} // namespace

CalendarClock CalendarClock::System()
{
    CalendarClock c;
    c.NowSeconds = [] { return QDateTime::currentSecsSinceEpoch(); };
    c.ShortDate = [](int64_t t) {
        return ToLatin1(QLocale::system().toString(QDateTime::fromSecsSinceEpoch(t).date(), QLocale::ShortFormat));
    };
    c.LongTime = [format = LongTimeFormat()](int64_t t) {
        return ToLatin1(QLocale::system().toString(QDateTime::fromSecsSinceEpoch(t).time(), format));
    };
    return c;
}
