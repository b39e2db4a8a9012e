// The trend graph settings reader: a file it turns away leaves the settings as they were; a file it
// takes writes back and reads again to the same settings; every range text converts to a finite float.
#include <QBuffer>
#include <QString>
#include <cmath>

#include "fuzz_check.h"
#include "ui/graphs/trend_settings.h"

namespace {

bool SameTexts(const QString& a, const QString& b)
{
    // A text ending in CR cannot survive a write and read (the reader takes CR LF as a line end).
    return a.endsWith(QLatin1Char('\r')) || a == b;
}

template <class S, class Read, class Write, class Texts>
void Check(const QByteArray& bytes, bool dot, Read read, Write write, Texts texts)
{
    S s;
    s.ChannelEnabled[0] = !s.ChannelEnabled[0]; // a sentinel the reader must not touch on failure
    const S before = s;
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    if (!read(file, dot, s)) {
        FUZZ_CHECK(s.ChannelEnabled == before.ChannelEnabled && texts(s) == texts(before));
        return;
    }
    for (const QString& t : texts(s))
        FUZZ_CHECK(std::isfinite(RangeTextToFloat(t, dot)));
    QBuffer again;
    again.open(QIODevice::WriteOnly);
    FUZZ_CHECK(write(again, dot, s));
    again.close();
    again.open(QIODevice::ReadOnly);
    S back;
    FUZZ_CHECK(read(again, dot, back));
    FUZZ_CHECK(back.ChannelEnabled == s.ChannelEnabled);
    const auto a = texts(s), b = texts(back);
    for (size_t i = 0; i < a.size(); ++i)
        FUZZ_CHECK(SameTexts(a[i], b[i]));
}

// The device overloads, picked out of their file namesakes.
bool (*const Read1)(QIODevice&, bool, Graph1Settings&) = ReadGraph1Settings;
bool (*const Read2)(QIODevice&, bool, Graph2Settings&) = ReadGraph2Settings;
bool (*const Write1)(QIODevice&, bool, const Graph1Settings&) = WriteGraph1Settings;
bool (*const Write2)(QIODevice&, bool, const Graph2Settings&) = WriteGraph2Settings;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    const QByteArray path(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool dot : {true, false}) {
        Check<Graph1Settings>(path, dot, Read1, Write1,
                              [](const Graph1Settings& s) { return std::vector<QString>(s.RangeTexts.begin(), s.RangeTexts.end()); });
        Check<Graph2Settings>(path, dot, Read2, Write2, [](const Graph2Settings& s) {
            std::vector<QString> t(s.MinTexts.begin(), s.MinTexts.end());
            t.insert(t.end(), s.MaxTexts.begin(), s.MaxTexts.end());
            return t;
        });
    }
    return 0;
}
