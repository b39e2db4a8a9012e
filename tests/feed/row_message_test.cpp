#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <ctime>

#include "feed/row_message.h"

namespace {
QJsonObject Parse(const std::string& payload)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(payload), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << payload;
    EXPECT_TRUE(doc.isObject());
    return doc.object();
}

// Sets TZ for one test and restores it after.
struct ZoneGuard {
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            saved = old, had = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had)
            setenv("TZ", saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string saved;
    bool had = false;
};
} // namespace

TEST(RowMessage, ModeAndKindOfEachAveragingChoice)
{
    struct Case {
        int mode;
        FeedRowKind kind;
        const char* modeName;
        const char* kindName;
        bool stdev;
    };
    const Case cases[] = {
        {0, FeedRowKind::Sample, "none", "sample", false},
        {1, FeedRowKind::Mean, "mean", "mean", false},
        {2, FeedRowKind::Mean, "mean+stdev", "mean", false},
        {2, FeedRowKind::Stdev, "mean+stdev", "stdev", true},
        {7, FeedRowKind::Sample, "none", "sample", false}, // an unknown mode is not guessed at
    };
    for (const Case& c : cases) {
        FeedRow row;
        row.Bench = 3;
        row.AveragingMode = c.mode;
        row.Kind = c.kind;
        row.Values.push_back({"Gas concentrations", "CO2", "%", "   1.25"});
        const QJsonObject m = Parse(RowMessage(row, "bay-7", 42));
        SCOPED_TRACE(c.modeName);
        EXPECT_EQ(m.value("mode").toString(), QString::fromLatin1(c.modeName));
        EXPECT_EQ(m.value("kind").toString(), QString::fromLatin1(c.kindName));
        EXPECT_EQ(m.value("stdev").toBool(), c.stdev);
        EXPECT_EQ(m.value("bench").toInt(), 3);
        EXPECT_EQ(m.value("station").toString(), QStringLiteral("bay-7"));
        EXPECT_EQ(m.value("seq").toInteger(), 42);
    }
}

TEST(RowMessage, EachValueKeepsItsCellTextNameAndUnit)
{
    struct Case {
        const char* cell;
        const char* text;
        bool isNumber;
        double value;
    };
    const Case cases[] = {
        {"   1.25", "1.25", true, 1.25},
        {"     -3", "-3", true, -3},
        {"    0.0000", "0.0000", true, 0},
        {"  1234567", "1234567", true, 1234567},
        {"      -nan", "-nan", false, 0}, // a deviation of a broken block: no JSON number for it
        {"       inf", "inf", false, 0},
        {" 12:00:01 ", "12:00:01", false, 0},
        {"   -0.00", "-0.00", true, 0},
        {"  1e+05", "1e+05", true, 100000},
        {"     1.", "1.", false, 0}, // not JSON as it stands
        {"   007", "007", false, 0},
    };
    FeedRow row;
    for (const Case& c : cases)
        row.Values.push_back({"Offset", "Offset1", "\xC2\xB0" "C", c.cell});
    const QJsonArray values = Parse(RowMessage(row, "s", 1)).value("values").toArray();
    ASSERT_EQ(values.size(), static_cast<qsizetype>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QJsonObject v = values[static_cast<qsizetype>(i)].toObject();
        SCOPED_TRACE(cases[i].cell);
        EXPECT_EQ(v.value("text").toString(), QString::fromLatin1(cases[i].text));
        EXPECT_EQ(v.value("name").toString(), QStringLiteral("Offset1"));
        EXPECT_EQ(v.value("group").toString(), QStringLiteral("Offset"));
        EXPECT_EQ(v.value("unit").toString(), QString(QChar(0xB0)) + QLatin1Char('C'));
        if (cases[i].isNumber)
            EXPECT_EQ(v.value("value").toDouble(), cases[i].value);
        else
            EXPECT_TRUE(v.value("value").isNull());
    }
}

TEST(RowMessage, TimeIsLocalWithItsOffset)
{
    struct Case {
        const char* zone;
        int64_t time;
        const char* iso;
    };
    // 1700000000 is 2023-11-14 22:13:20 UTC; each case its own second, as the text is kept for a second.
    const Case cases[] = {
        {"UTC0", 1700000000, "2023-11-14T22:13:20+00:00"},
        {"EST5", 1700000001, "2023-11-14T17:13:21-05:00"},
        {"IST-5:30", 1700000002, "2023-11-15T03:43:22+05:30"},
        {"EST5EDT,M3.2.0,M11.1.0", 1690000000, "2023-07-22T00:26:40-04:00"}, // summer time
    };
    for (const Case& c : cases) {
        ZoneGuard zone(c.zone);
        EXPECT_EQ(IsoTime(c.time), c.iso) << c.zone;
        FeedRow row;
        row.TimeSeconds = c.time;
        EXPECT_EQ(Parse(RowMessage(row, "s", 1)).value("time").toString().toStdString(), c.iso);
    }
}

TEST(RowMessage, StatusLineAsShown)
{
    const QJsonObject m = Parse(StatusMessage(2, "Data Status NAK Checksum", true, 0, "bay-7", 9));
    EXPECT_EQ(m.value("bench").toInt(), 2);
    EXPECT_EQ(m.value("text").toString(), QStringLiteral("Data Status NAK Checksum"));
    EXPECT_TRUE(m.value("error").toBool());
    EXPECT_EQ(m.value("station").toString(), QStringLiteral("bay-7"));
    EXPECT_EQ(m.value("seq").toInteger(), 9);
}

TEST(RowMessage, Latin1CellAndStatusTextsBecomeUtf8)
{
    FeedRow row;
    row.Values.push_back({"Ambient temperature", "AmbTemp", "\xC2\xB0" "C", "  25\xB0"});
    const QJsonObject m = Parse(RowMessage(row, "s", 1));
    EXPECT_EQ(m.value("values").toArray()[0].toObject().value("text").toString(), QStringLiteral("25") + QChar(0xB0));
    const QJsonObject st = Parse(StatusMessage(1, "x\xE9\ty", false, 0, "s", 1));
    EXPECT_EQ(st.value("text").toString(), QStringLiteral("x") + QChar(0xE9) + QStringLiteral("\ty"));
}

TEST(RowMessage, StationNameWithQuotesStaysValidJson)
{
    FeedRow row;
    row.Values.push_back({"Gas concentrations", "NO", "ppm", "\"1\\"});
    const QJsonObject m = Parse(RowMessage(row, "a\"b\\c", 1));
    EXPECT_EQ(m.value("station").toString(), QStringLiteral("a\"b\\c"));
    EXPECT_EQ(m.value("values").toArray()[0].toObject().value("text").toString(), QStringLiteral("\"1\\"));
}
