#include "ui/graphs/trend_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Settings lines are a flag or a range text; a longer line means this is no settings file.
constexpr qint64 MaxLineBytes = 64 * 1024;

// Reads the first `needed` lines only: whatever follows is not ours to read.
bool ReadLines(QIODevice& file, bool decimalPointIsDot, int needed, QList<QString>& lines)
{
    lines.clear();
    QByteArray buffer(MaxLineBytes + 3, Qt::Uninitialized); // one more for the terminating zero
    while (lines.size() < needed && !file.atEnd()) {
        const qint64 got = file.readLine(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        QByteArray line(buffer.constData(), got);
        if (line.endsWith('\n'))
            line.chop(1);
        else if (!file.atEnd())
            return false;
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(QString::fromLatin1(line));
    }
    if (lines.size() < needed)
        return false;
    return lines[0].trimmed() == (decimalPointIsDot ? QLatin1String("1") : QLatin1String("0"));
}

bool Flag(const QString& line)
{
    return line.trimmed() == QLatin1String("1");
}

bool WriteLines(QIODevice& file, const QList<QString>& lines)
{
    QByteArray text;
    for (const QString& line : lines)
        text += line.toLatin1() + '\n';
    return file.write(text) == text.size();
}

template <class Settings>
bool ReadFile(const QString& path, bool decimalPointIsDot, Settings& out,
              bool (*read)(QIODevice&, bool, Settings&))
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && read(file, decimalPointIsDot, out);
}

template <class Settings>
bool WriteFile(const QString& path, bool decimalPointIsDot, const Settings& s,
               bool (*write)(QIODevice&, bool, const Settings&))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && write(file, decimalPointIsDot, s)
           && file.flush();
}

QString FlagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

bool ReadGraph1Settings(const QString& path, bool decimalPointIsDot, Graph1Settings& out)
{
    return ReadFile<Graph1Settings>(path, decimalPointIsDot, out, ReadGraph1Settings);
}

bool ReadGraph1Settings(QIODevice& file, bool decimalPointIsDot, Graph1Settings& out)
{
    QList<QString> lines;
    if (!ReadLines(file, decimalPointIsDot, 10, lines))
        return false;
    Graph1Settings s;
    // Slots CO2, O2, O2, Freon, NO: the second copy of O2 wins.
    const int slotOfLine[5] = {0, 1, 1, 2, 3};
    for (int i = 0; i < 5; ++i)
        s.ChannelEnabled[size_t(slotOfLine[i])] = Flag(lines[1 + i]);
    for (int i = 0; i < 4; ++i)
        s.RangeTexts[size_t(i)] = lines[6 + i];
    out = s;
    return true;
}

bool ReadGraph2Settings(const QString& path, bool decimalPointIsDot, Graph2Settings& out)
{
    return ReadFile<Graph2Settings>(path, decimalPointIsDot, out, ReadGraph2Settings);
}

bool ReadGraph2Settings(QIODevice& file, bool decimalPointIsDot, Graph2Settings& out)
{
    QList<QString> lines;
    if (!ReadLines(file, decimalPointIsDot, 16, lines))
        return false;
    Graph2Settings s;
    // Slots CO2, Freon, Freon, O2, NO: the second copy of Freon wins.
    const int slotOfGroup[5] = {0, 1, 1, 2, 3};
    for (int g = 0; g < 5; ++g) {
        const size_t slot = size_t(slotOfGroup[g]);
        s.ChannelEnabled[slot] = Flag(lines[1 + 3 * g]);
        s.MinTexts[slot] = lines[2 + 3 * g];
        s.MaxTexts[slot] = lines[3 + 3 * g];
    }
    out = s;
    return true;
}

bool WriteGraph1Settings(const QString& path, bool decimalPointIsDot, const Graph1Settings& s)
{
    return WriteFile<Graph1Settings>(path, decimalPointIsDot, s, WriteGraph1Settings);
}

bool WriteGraph1Settings(QIODevice& file, bool decimalPointIsDot, const Graph1Settings& s)
{
    QList<QString> lines{FlagText(decimalPointIsDot)};
    for (int slot : {0, 1, 1, 2, 3})
        lines.append(FlagText(s.ChannelEnabled[size_t(slot)]));
    for (const QString& text : s.RangeTexts)
        lines.append(text);
    return WriteLines(file, lines);
}

bool WriteGraph2Settings(const QString& path, bool decimalPointIsDot, const Graph2Settings& s)
{
    return WriteFile<Graph2Settings>(path, decimalPointIsDot, s, WriteGraph2Settings);
}

bool WriteGraph2Settings(QIODevice& file, bool decimalPointIsDot, const Graph2Settings& s)
{
    QList<QString> lines{FlagText(decimalPointIsDot)};
    for (int slot : {0, 1, 1, 2, 3}) {
        lines.append(FlagText(s.ChannelEnabled[size_t(slot)]));
        lines.append(s.MinTexts[size_t(slot)]);
        lines.append(s.MaxTexts[size_t(slot)]);
    }
    return WriteLines(file, lines);
}

float RangeTextToFloat(const QString& text, bool decimalPointIsDot)
{
    const QChar point = decimalPointIsDot ? QLatin1Char('.') : QLatin1Char(',');
    int i = 0;
    const int n = int(text.size());
    while (i < n && text[i].isSpace())
        ++i;
    QString number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += text[i++];
    int digits = 0;
    auto takeDigits = [&] {
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            number += text[i++];
            ++digits;
        }
    };
    takeDigits();
    if (i < n && text[i] == point) {
        ++i;
        number += QLatin1Char('.');
        takeDigits();
    }
    if (digits == 0)
        return 0.0f;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        QString exponent = QStringLiteral("e");
        int j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent += text[j++];
        const int firstDigit = j;
        while (j < n && text[j] >= QLatin1Char('0') && text[j] <= QLatin1Char('9'))
            exponent += text[j++];
        if (j > firstDigit)
            number += exponent;
    }
    bool ok = false;
    double v = number.toDouble(&ok);
    if (std::isnan(v))
        return 0.0f;
    // toDouble reports overflow as not ok with an infinite or huge value.
    if (!ok && !std::isinf(v) && std::abs(v) < 1.0)
        return 0.0f;
    return float(std::clamp(v, double(-FLT_MAX), double(FLT_MAX)));
}
