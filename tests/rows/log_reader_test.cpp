#include <gtest/gtest.h>

#include <QBuffer>
#include <QLocale>

#include "rows/log_reader.h"

namespace {

// What the locale's own parser makes of a time text: the first format that reads it.
QTime LocaleTime(const QString& text, const QStringList& formats)
{
    for (const QString& f : formats) {
        QTime t = QLocale::system().toTime(text.trimmed(), f);
        if (!t.isValid())
            t = QLocale::c().toTime(text.trimmed(), f);
        if (t.isValid())
            return t;
    }
    return {};
}

// The reader reads common time texts without the locale's parser; it must give the
// locale's answer for every format list, including those it does not read itself.
TEST(LogReader, TimeCellsReadAsTheLocaleReadsThem)
{
    const std::vector<QStringList> formatLists = {
        {"HH:mm:ss"},
        {"H:mm:ss"},
        {"hh:mm:ss"},
        {"h:mm:ss AP", "HH:mm:ss"},
        {"HH:mm:ss", "H:mm:ss", "h:mm:ss AP", "h:mm:ss ap", "H:mm"},
        {"H:mm", "HH:mm:ss"},
        {"HH.mm.ss", "H:mm:ss"},
        LogFormats::System().TimeFormats,
    };
    const std::vector<QString> texts = {"9:05:00", "09:05:00", "23:59:59", "0:00:00", "00:00:00", "24:00:00",
                                        "12:60:00", "9:5:0", " 10:00:00 ", "10:00:00 AM", "10:00:00 pm", "10:00",
                                        "10.00.00", "1:2:3:4", "", "ab:cd:ef"};
    for (const QStringList& formats : formatLists) {
        LogFormats f;
        f.TimeFormats = formats;
        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        const LogReader reader(empty, f);
        for (const QString& text : texts) {
            const QByteArray bytes = text.toLatin1();
            EXPECT_EQ(reader.ReadTime(std::string_view(bytes.constData(), size_t(bytes.size()))),
                      LocaleTime(text, formats))
                << formats.join(QStringLiteral("|")).toStdString() << " \"" << text.toStdString() << "\"";
        }
    }
}

struct Lines {
    std::vector<std::string> Texts;
    std::vector<LogReader::Kind> Kinds;
};

Lines ReadAll(LogReader& reader)
{
    Lines out;
    LogReader::Line line;
    while (reader.Next(line)) {
        out.Texts.emplace_back(line.Text);
        out.Kinds.push_back(line.What);
    }
    return out;
}

LogFormats ReaderTestFormats()
{
    LogFormats f;
    f.DateFormats << QStringLiteral("dd/MM/yyyy");
    f.TimeFormats << QStringLiteral("HH:mm:ss");
    return f;
}

// Lines longer than a read block, and a log that grows while it is read: only
// whole lines are taken, the half-written last line once it is finished.
TEST(LogReader, BlocksAndAGrowingLog)
{
    const LogFormats formats = ReaderTestFormats();
    const std::string header = "    Time       PEF ";
    std::string log = "MainLogfile C:\\a.LOG created 17/01/2013\r\n" + header + "\r\n";
    // Enough rows to cross several 1 MB blocks, and a comment line of 20000 characters.
    for (int i = 0; i < 70000; ++i)
        log += "10:00:00   0.488\r\n";
    log += "\r\n\r\n17/01/2013 10:01:00\r\n" + std::string(20000, 'x') + "\r\n10:01:01   0.500\r\n";
    QBuffer in;
    in.setData(QByteArray::fromStdString(log + "10:01:0"));
    in.open(QIODevice::ReadOnly);
    LogReader reader(in, formats);
    reader.SetWholeLinesOnly(true);
    Lines first = ReadAll(reader);
    ASSERT_EQ(first.Texts.size(), 2u + 70000 + 5);
    EXPECT_EQ(first.Kinds[2 + 69999], LogReader::Kind::Data);
    EXPECT_EQ(first.Kinds[2 + 70002], LogReader::Kind::CommentStart);
    EXPECT_EQ(first.Kinds[2 + 70003], LogReader::Kind::Bad) << "an over-long line is no log line";
    EXPECT_EQ(first.Texts[2 + 70004], "10:01:01   0.500");
    EXPECT_EQ(reader.Position(), qint64(log.size()));

    // The writer finishes its line and adds one more.
    in.buffer().append("2   0.501\r\n10:01:03   0.502\r\n");
    const Lines second = ReadAll(reader);
    ASSERT_EQ(second.Texts.size(), 2u);
    EXPECT_EQ(second.Texts[0], "10:01:02   0.501");
    EXPECT_EQ(second.Kinds[1], LogReader::Kind::Data);
}

TEST(LogReader, CellsOfDataAndStdevLines)
{
    const LogFormats formats = ReaderTestFormats();
    const std::string log =
        "MainLogfile C:\\a.LOG created 17/01/2013\r\n"
        "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]\r\n"
        "08:00:05     1.00   123.45   2.00   3.00   4.00     5.00   6.00   7.00\r\n"
        "08:00:05         nan    0.0000    0.0000    0.0000    0.5000    1.0000    0.0000   -0.0000    STDEV\r\n"
        // Bench 1 silent, its cells blank as wide as their formats.
        "08:00:06                                  4.00        5   6.00     7\r\n";
    QBuffer in;
    in.setData(QByteArray::fromStdString(log));
    in.open(QIODevice::ReadOnly);
    LogReader reader(in, formats);
    LogReader::Line line;
    std::vector<std::vector<std::string>> cells;
    std::vector<int> tells;
    while (reader.Next(line)) {
        if (line.What != LogReader::Kind::Data && line.What != LogReader::Kind::Stdev)
            continue;
        EXPECT_EQ(line.Time, QTime::fromString(QString::fromLatin1(line.TimeText.data(), int(line.TimeText.size())),
                                               QStringLiteral("HH:mm:ss")));
        std::vector<std::string> texts;
        for (const LogReader::Cell& c : line.Cells)
            texts.emplace_back(c.Text);
        cells.push_back(texts);
        tells.push_back(line.Tells);
    }
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0], (std::vector<std::string>{"1.00", "123.45", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00"}));
    EXPECT_EQ(tells[0], 2);
    EXPECT_EQ(cells[1][0], "nan");
    EXPECT_EQ(cells[1][7], "-0.0000");
    EXPECT_EQ(cells[2], (std::vector<std::string>{"", "", "", "", "4.00", "5", "6.00", "7"}));
    EXPECT_EQ(tells[2], 1) << "bench 2's NO cell tells a raw row";
    EXPECT_EQ(LogColumns::Name(reader.Layout().Keys()[5]), QStringLiteral("Bench 2 Freon [ppm]"));
}

} // namespace
