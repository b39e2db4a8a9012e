#include "logchart/log_chart_selection.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>
#include <set>

#include "logchart/log_chart_view.h"

namespace {

QString Bare(const QString& valueName)
{
    const int open = int(valueName.lastIndexOf(QLatin1String(" [")));
    return open > 0 ? valueName.left(open) : valueName;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

bool SelectLogColumns(LogChartView& view, const QStringList& names, QString* error)
{
    static const QRegularExpression benchName(QStringLiteral("^bench\\s*([1-4])(?:\\s+(.+))?$"),
                                              QRegularExpression::CaseInsensitiveOption);
    const std::vector<std::pair<int, int>> values = view.Values();
    std::set<int> benches;
    std::set<std::pair<int, int>> chosen;
    auto findValue = [&](const QString& text, std::pair<int, int>& out) {
        for (const auto& [group, value] : values) {
            const QString name = QString::fromLatin1(LogColumns::ValueName(group, value));
            if (SameName(text, name) || SameName(text, Bare(name))) {
                out = {group, value};
                return true;
            }
        }
        return false;
    };
    for (const QString& raw : names) {
        const QString name = raw.trimmed();
        std::pair<int, int> value;
        const QRegularExpressionMatch m = benchName.match(name);
        if (m.hasMatch()) {
            benches.insert(m.captured(1).toInt() - 1);
            if (m.captured(2).isEmpty())
                continue;
            if (findValue(m.captured(2).trimmed(), value)) {
                chosen.insert(value);
                continue;
            }
        } else if (findValue(name, value)) {
            chosen.insert(value);
            continue;
        }
        if (error) {
            QStringList known;
            for (int b : view.Benches())
                known << QStringLiteral("Bench %1").arg(b + 1);
            for (const auto& [group, v] : values)
                known << QString::fromLatin1(LogColumns::ValueName(group, v));
            *error = QStringLiteral("the log has no column \"%1\"; it has: %2").arg(name, known.join(QStringLiteral(", ")));
        }
        return false;
    }
    for (int b : view.Benches())
        view.SetBenchShown(b, benches.empty() || benches.count(b));
    for (const auto& v : values)
        view.SetValueShown(v.first, v.second, chosen.empty() || chosen.count(v));
    return true;
}

bool LogChartTime(const QString& text, double notBefore, double* seconds, QString* error)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:([0-9]{4}-[0-9]{2}-[0-9]{2})[ T])?([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    const int h = m.captured(2).toInt(), mi = m.captured(3).toInt(), s = m.captured(4).toInt();
    if (!m.hasMatch() || h > 23 || mi > 59 || s > 59) {
        if (error)
            *error = QStringLiteral("\"%1\" is no time (HH:mm[:ss] or yyyy-MM-dd HH:mm[:ss])").arg(text);
        return false;
    }
    const int ofDay = h * 3600 + mi * 60 + s;
    if (!m.captured(1).isEmpty()) {
        const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!date.isValid()) {
            if (error)
                *error = QStringLiteral("\"%1\" is no date").arg(m.captured(1));
            return false;
        }
        *seconds = ChartSeconds(date, ofDay);
        return true;
    }
    const double day = std::floor(notBefore / 86400.0) * 86400.0;
    double t = day + ofDay;
    if (t < notBefore)
        t += 86400.0;
    *seconds = t;
    return true;
}
