#include "row_message.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdlib>

namespace {
QString Latin1Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return QString::fromLatin1(s.data() + b, static_cast<qsizetype>(e - b));
}

// The number a cell prints, when it is a finite one; C locale, as the cells are printed.
QJsonValue NumberOf(const QString& text)
{
    if (text.isEmpty())
        return QJsonValue(QJsonValue::Null);
    const QByteArray bytes = text.toLatin1();
    char* end = nullptr;
    const double v = std::strtod(bytes.constData(), &end);
    if (end != bytes.constData() + bytes.size() || !std::isfinite(v))
        return QJsonValue(QJsonValue::Null);
    return QJsonValue(v);
}

const char* KindName(FeedRowKind k)
{
    switch (k) {
    case FeedRowKind::Sample: return "sample";
    case FeedRowKind::Mean: return "mean";
    case FeedRowKind::Stdev: return "stdev";
    }
    return "sample";
}

std::string Compact(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}
} // namespace

const char* ModeName(int averagingMode)
{
    switch (averagingMode) {
    case 1: return "mean";
    case 2: return "mean+stdev";
    default: return "none";
    }
}

std::string IsoTime(int64_t timeSeconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(timeSeconds);
    // Written with the explicit offset, "+00:00" included, so readers need no zone rules.
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString zone = QStringLiteral("%1%2:%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return (local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + zone).toStdString();
}

std::string RowMessage(const FeedRow& row, const std::string& station, uint64_t seq)
{
    QJsonArray values;
    for (const FeedValue& v : row.Values) {
        const QString text = Latin1Trimmed(v.Text);
        QJsonObject o;
        o.insert(QLatin1String("group"), QString::fromUtf8(v.Group));
        o.insert(QLatin1String("name"), QString::fromUtf8(v.Name));
        o.insert(QLatin1String("unit"), QString::fromUtf8(v.Unit));
        o.insert(QLatin1String("text"), text);
        o.insert(QLatin1String("value"), NumberOf(text));
        values.append(o);
    }
    QJsonObject m;
    m.insert(QLatin1String("station"), QString::fromStdString(station));
    m.insert(QLatin1String("bench"), row.Bench);
    m.insert(QLatin1String("time"), QString::fromStdString(IsoTime(row.TimeSeconds)));
    m.insert(QLatin1String("mode"), QLatin1String(ModeName(row.AveragingMode)));
    m.insert(QLatin1String("kind"), QLatin1String(KindName(row.Kind)));
    m.insert(QLatin1String("stdev"), row.Kind == FeedRowKind::Stdev);
    m.insert(QLatin1String("seq"), static_cast<qint64>(seq));
    m.insert(QLatin1String("values"), values);
    return Compact(m);
}

std::string StatusMessage(int bench, const std::string& text, bool error, int64_t timeSeconds,
                          const std::string& station, uint64_t seq)
{
    QJsonObject m;
    m.insert(QLatin1String("station"), QString::fromStdString(station));
    m.insert(QLatin1String("bench"), bench);
    m.insert(QLatin1String("time"), QString::fromStdString(IsoTime(timeSeconds)));
    m.insert(QLatin1String("text"), QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    m.insert(QLatin1String("error"), error);
    m.insert(QLatin1String("seq"), static_cast<qint64>(seq));
    return Compact(m);
}
