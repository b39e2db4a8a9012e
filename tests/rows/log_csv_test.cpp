#include <gtest/gtest.h>

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>

#include "rows/log_csv.h"
#include "rows_fixture.h"

namespace {

// The formats the fixed clocks of the tests write with.
LogCsvFormats TestFormats()
{
    LogCsvFormats f;
    f.DateFormats << QStringLiteral("dd/MM/yyyy");
    f.TimeFormats << QStringLiteral("HH:mm:ss");
    return f;
}

LogCsvResult Convert(const std::string& log, std::string& csv)
{
    QByteArray in(log.data(), int(log.size()));
    QBuffer input(&in);
    input.open(QIODevice::ReadOnly);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    const LogCsvResult r = ConvertLogToCsv(input, output, TestFormats());
    csv = output.data().toStdString();
    return r;
}

std::string CrLf(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* l : lines)
        text += std::string(l) + "\r\n";
    return text;
}

struct CsvTest : ::testing::Test, RowsFixture {
    void SetDemod(int b, int32_t co2, int32_t freon, int32_t ref) { (*benches)[b].DemodIR = {co2, 0, freon, ref}; }
    // One sample: both benches' values, then the reply of bench 2 makes the row.
    void Sample(int co2, int freon, int o2, int no, int32_t demCo2, int bench2No)
    {
        SetGas(0, co2, freon, o2, no);
        SetDemod(0, demCo2, 20, 30);
        SetGas(1, 200, 60, 1000, bench2No);
        SetDemod(1, 500, 10, 10);
        (*benches)[0].DataSinceRequest = true; // bench 1 has replied in this run
        Reply(1);
        now += 1;
    }
};

// Two benches in Mean+STDEV mode, written by the real row output and log file.
TEST_F(CsvTest, MeanAndStdevOfTwoBenchesMatchTheLog)
{
    RowSettings& s = rows.Settings;
    s.AcceptCount = true;
    s.DemodulatedIR = true;
    s.AveragingMode = kAverageMeanStdev;
    s.SamplesPerBlock = 2;
    Open({0, 1});
    StartLogging();
    log.WriteHeaderLine(rows.HeaderLine());
    Sample(100, 50, 2000, 10, 1000, 4);
    Sample(300, 70, 2100, 20, 1002, 6);
    Sample(-50, 0, 0, -3, -1000000, 4); // Dem CO2 mean fills its 8 characters
    Sample(-150, 0, 0, -3, -1000000, 6);
    log.Close();
    ASSERT_EQ(LogLines().size(), 6u);

    std::string csv;
    QString message;
    const QString csvPath = dir.filePath(QStringLiteral("data.csv"));
    ASSERT_TRUE(exportLogToCsv(LogPath(), csvPath, &message, TestFormats())) << message.toStdString();
    EXPECT_EQ(message.toStdString(), "4 rows of 1 runs exported.");
    const std::string expected =
        "Time,Kind,Run,Accept,"
        "Bench 1 Dem CO2,Bench 1 Dem Freon,Bench 1 Dem Ref,Bench 2 Dem CO2,Bench 2 Dem Freon,Bench 2 Dem Ref,"
        "Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],"
        "Bench 2 CO2 [%],Bench 2 Freon [ppm],Bench 2 O2 [%],Bench 2 NO [ppm]\r\n"
        "2013-01-17 00:16:41,Mean,1,1,1001,20,30,500,10,10,2.00,60,20.50,15.00,2.00,60,10.00,5.00\r\n"
        "2013-01-17 00:16:41,STDEV,1,1,1.414214,0.0000,0.0000,0.000000,0.0000,0.0000,"
        "1.4142,14.1421,0.7071,7.0711,0.0000,0.0000,0.0000,1.4142\r\n"
        "2013-01-17 00:16:43,Mean,1,2,-1000000,20,30,500,10,10,-1.00,0,0.00,-3.00,2.00,60,10.00,5.00\r\n"
        "2013-01-17 00:16:43,STDEV,1,2,0.000000,0.0000,0.0000,0.000000,0.0000,0.0000,"
        "0.7071,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,1.4142\r\n";
    EXPECT_EQ(ReadAll(csvPath), expected) << "log:\n" << ReadAll(LogPath());
}

struct CsvCase {
    const char* Name;
    std::string Log;
    std::string Csv;
    int Skipped;
    int UnreadTimes;
};

const char* kGasHeader1 = "Accept    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";
const char* kGasHeader2 = "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";

TEST(LogCsv, HandWrittenLogs)
{
    const std::string blankFirst = "08:00:05  " + std::string(29, ' ') + "   4.00        5   6.00     7";
    const std::string blankLast = "08:00:06     1.50        2   2.50     4" + std::string(29, ' ');
    const std::vector<CsvCase> cases = {
        {"raw rows; an accept count wider than its cell runs into the time; midnight moves the date",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1,
               "99999923:59:58     1.23      250  20.90    55",
               "100000023:59:59    -0.05        0   0.00 12345",
               "     100:00:01     0.00        0   0.00     0"}),
         "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm]\r\n"
         "2013-01-17 23:59:58,Raw,1,999999,1.23,250,20.90,55\r\n"
         "2013-01-17 23:59:59,Raw,1,1000000,-0.05,0,0.00,12345\r\n"
         "2013-01-18 00:00:01,Raw,1,1,0.00,0,0.00,0\r\n",
         0, 0},
        {"mean rows without STDEV lines: the NO cell's decimals tell them",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1,
               "     110:00:00     1.23   123.45  20.90  55.50"}),
         "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm]\r\n"
         "2013-01-17 10:00:00,Mean,1,1,1.23,123.45,20.90,55.50\r\n",
         0, 0},
        {"appended run with another bench set: union of the columns; Stop's empty line",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1,
               "     110:00:00     1.23      250  20.90    55", "",
               "Logfile C:\\a.LOG opened for appending 18/01/2013 08:00:00", kGasHeader2,
               "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7"}),
         "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],"
         "Bench 2 CO2 [%],Bench 2 Freon [ppm],Bench 2 O2 [%],Bench 2 NO [ppm]\r\n"
         "2013-01-17 10:00:00,Raw,1,1,1.23,250,20.90,55,,,,\r\n"
         "2013-01-18 08:00:05,Raw,2,,1.00,1,2.00,3,4.00,5,6.00,7\r\n",
         0, 0},
        {"a silent second bench leaves its cells out of the line (as earlier versions wrote it)",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader2,
               "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7",
               "08:00:06     1.50        2   2.50     4"}),
         "Time,Kind,Run,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],"
         "Bench 2 CO2 [%],Bench 2 Freon [ppm],Bench 2 O2 [%],Bench 2 NO [ppm]\r\n"
         "2013-01-17 08:00:05,Raw,1,1.00,1,2.00,3,4.00,5,6.00,7\r\n"
         "2013-01-17 08:00:06,Raw,1,1.50,2,2.50,4,,,,\r\n",
         0, 0},
        {"a bench without values leaves blanks as wide as its cells: the next bench keeps its place",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader2,
               blankFirst.c_str(), blankLast.c_str()}),
         "Time,Kind,Run,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],"
         "Bench 2 CO2 [%],Bench 2 Freon [ppm],Bench 2 O2 [%],Bench 2 NO [ppm]\r\n"
         "2013-01-17 08:00:05,Raw,1,,,,,4.00,5,6.00,7\r\n"
         "2013-01-17 08:00:06,Raw,1,1.50,2,2.50,4,,,,\r\n",
         0, 0},
        {"a silent first bench keeps its cells' widths in blanks: its CSV cells are empty",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader2,
               "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7",
               "08:00:06                                  4.00        5   6.00     7"}),
         "Time,Kind,Run,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],"
         "Bench 2 CO2 [%],Bench 2 Freon [ppm],Bench 2 O2 [%],Bench 2 NO [ppm]\r\n"
         "2013-01-17 08:00:05,Raw,1,1.00,1,2.00,3,4.00,5,6.00,7\r\n"
         "2013-01-17 08:00:06,Raw,1,,,,,4.00,5,6.00,7\r\n",
         0, 0},
        {"comment block: its lines in one quoted cell, its date and time in the Time column",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1,
               "     110:00:00     1.23      250  20.90    55", "", "", "18/01/2013 09:30:00",
               "span gas, 5 %", "said \"ok\"", " ", "     209:31:00     1.24      251  20.91    56"}),
         "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm],Comment\r\n"
         "2013-01-17 10:00:00,Raw,1,1,1.23,250,20.90,55,\r\n"
         "2013-01-18 09:30:00,Comment,1,,,,,,\"span gas, 5 %\nsaid \"\"ok\"\"\"\r\n"
         "2013-01-18 09:31:00,Raw,1,2,1.24,251,20.91,56,\r\n",
         0, 0},
        {"truncated last line and garbage between rows are skipped and counted",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1,
               "     110:00:00     1.23      250  20.90    55", "\x01\xff garbage 12 34"})
             + "     210:00:01     1.2",
         "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm]\r\n"
         "2013-01-17 10:00:00,Raw,1,1,1.23,250,20.90,55\r\n",
         2, 0},
        {"no gas columns and no STDEV lines: raw and mean rows look alike; a time of another format",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "    Time       PEF ", "10:00:00   0.488",
               "10 h 01   0.500"}),
         "Time,Kind,Run,Bench 1 PEF\r\n"
         "2013-01-17 10:00:00,Raw/Mean,1,0.488\r\n"
         ",Raw/Mean,1,0.500\r\n",
         0, 1},
        {"a data line before any header is not understood",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "     110:00:00     1.23      250  20.90    55"}),
         "Time,Kind,Run\r\n", 1, 0},
    };
    for (const CsvCase& c : cases) {
        std::string csv;
        const LogCsvResult r = Convert(c.Log, csv);
        EXPECT_TRUE(r.Ok) << c.Name << ": " << r.Message.toStdString();
        EXPECT_EQ(csv, c.Csv) << c.Name;
        EXPECT_EQ(r.SkippedLines, c.Skipped) << c.Name;
        EXPECT_EQ(r.UnreadTimes, c.UnreadTimes) << c.Name;
    }
}

TEST(LogCsv, SkippedLinesAreReportedWithTheFirstLineNumber)
{
    std::string csv;
    const LogCsvResult r = Convert(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1, "junk", "",
                                         "more junk"}),
                                   csv);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.FirstSkippedLine, 3);
    EXPECT_EQ(r.Message.toStdString(),
              "0 rows of 1 runs exported. 2 lines that are no log lines were skipped (the first is line 3).");
}

TEST(LogCsv, InputThatIsNoLogIsRefused)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"binary", std::string("\x00\x01\x02\xff\r\n\x7f", 7)},
        {"text", CrLf({"hello", "1,2,3"})},
        {"one over-long line", std::string(100000, '7')},
    };
    for (const auto& [name, text] : cases) {
        std::string csv;
        const LogCsvResult r = Convert(text, csv);
        EXPECT_FALSE(r.Ok) << name;
        EXPECT_EQ(r.Message.toStdString(), "This is not a log file: it has no creation, appending or header line.")
            << name;
        EXPECT_EQ(csv, "") << name;
    }
}

// A long digit run is garbage, not a reason to try every way of splitting it.
TEST(LogCsv, LongDigitRunsAreRejectedQuickly)
{
    std::string csv;
    std::string header = "Accept  RTime   ";
    for (int b = 0; b < 3; ++b)
        header += "Dem CO2   Freon     Ref ";
    const LogCsvResult r =
        Convert(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", header.c_str()}) + std::string(12000, '1'), csv);
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(r.SkippedLines, 1);
}

// Lines of digits that can be split into cells in countless ways: each costs the parser a bounded
// number of steps, the rows around them are kept, and the window gets its progress calls by the
// work done, long before the few thousand lines that pace a well-formed log. (Integer cells alone
// cannot tell raw rows from means.)
TEST(LogCsv, CostlyGarbageIsSkippedWithProgressCallsAndTheRowsAroundItStay)
{
    std::string header = "    Time     ";
    std::string row = "10:00:00  ";
    for (int b = 0; b < 4; ++b) {
        header += " Min CO2 Max CO2 Min Freon  Max Freon  Min Ref Max Ref";
        for (int v = 0; v < 6; ++v)
            row += "   " + std::to_string(10000 + 10 * b + v);
    }
    std::string log = CrLf({"MainLogfile C:\\a.LOG created 17/01/2013"}) + header + "\r\n" + row + "\r\n";
    uint32_t x = 12345;
    for (int line = 0; line < 50; ++line) {
        std::string digits = "10:00:01  ";
        for (int i = 0; i < 2000; ++i) {
            x = x * 1103515245u + 12345u;
            digits += char('0' + (x >> 16) % 10);
        }
        log += digits + "\r\n";
    }
    log += row + "\r\n";

    QByteArray in = QByteArray::fromStdString(log);
    QBuffer input(&in);
    input.open(QIODevice::ReadOnly);
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    int progressCalls = 0;
    const LogCsvResult r = ConvertLogToCsv(input, output, TestFormats(), [&] { ++progressCalls; });
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Rows, 2);
    EXPECT_EQ(r.SkippedLines, 50);
    EXPECT_GE(progressCalls, 2) << "a slow stretch of a short log must still let the window serve its ports";
    const QList<QByteArray> records = output.data().split('\n');
    ASSERT_GE(records.size(), 3);
    EXPECT_TRUE(records[1].startsWith("2013-01-17 10:00:00,Raw/Mean,1,10000,10001,10002,10003,10004,10005,10010,"))
        << records[1].toStdString();
}

// A log another program goes on writing while it is converted: the lines added
// after the first reading (here a new run) are left for the next export.
struct GrowingLog : QBuffer {
    QByteArray Later;
    int Seeks = 0;
    bool seek(qint64 pos) override
    {
        if (++Seeks == 2)
            buffer().append(Later);
        return QBuffer::seek(pos);
    }
};

TEST(LogCsv, LinesAppendedDuringTheExportAreLeftOut)
{
    GrowingLog log;
    log.setData(QByteArray::fromStdString(
        CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGasHeader1, "     110:00:00     1.23      250  20.90    55"})));
    log.Later = QByteArray::fromStdString(CrLf({"", kGasHeader2, "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7"}));
    log.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const LogCsvResult r = ConvertLogToCsv(log, out, TestFormats());
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(out.data().toStdString(),
              "Time,Kind,Run,Accept,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],Bench 1 NO [ppm]\r\n"
              "2013-01-17 10:00:00,Raw,1,1,1.23,250,20.90,55\r\n");
}

TEST_F(CsvTest, FailedExportKeepsAnExistingCsv)
{
    const QString csvPath = dir.filePath(QStringLiteral("old.csv"));
    const QString notLog = dir.filePath(QStringLiteral("notes.txt"));
    QFile f(csvPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept\r\n");
    f.close();
    QFile n(notLog);
    ASSERT_TRUE(n.open(QIODevice::WriteOnly));
    n.write("shopping list\r\n");
    n.close();

    QString message;
    EXPECT_FALSE(exportLogToCsv(notLog, csvPath, &message, TestFormats()));
    EXPECT_EQ(ReadAll(csvPath), "kept\r\n");
    EXPECT_FALSE(exportLogToCsv(dir.filePath(QStringLiteral("missing.LOG")), csvPath, &message, TestFormats()));
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot open "))) << message.toStdString();
    EXPECT_EQ(ReadAll(csvPath), "kept\r\n");
}

// Python's csv module reads the export as a table: every row as wide as the
// header, times as ISO date-times, every value cell a number.
TEST_F(CsvTest, PythonReadsTheExport)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    rows.Settings.AveragingMode = kAverageMeanStdev;
    rows.Settings.SamplesPerBlock = 2;
    Open({0, 1});
    StartLogging();
    log.WriteHeaderLine(rows.HeaderLine());
    for (int i = 0; i < 6; ++i)
        Sample(100 * i, 10 * i, 2000 + i, i, 1000 + i, 2 * i);
    log.WriteComment(QStringLiteral("note, with \"quotes\"\nsecond line"));
    log.Close();
    const QString csvPath = dir.filePath(QStringLiteral("data.csv"));
    QString message;
    ASSERT_TRUE(exportLogToCsv(LogPath(), csvPath, &message, TestFormats()));

    const char* script = R"(
import csv, sys, datetime
rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))
head = rows[0]
assert head[:3] == ['Time', 'Kind', 'Run'] and head[-1] == 'Comment', head
assert all(len(r) == len(head) for r in rows), 'ragged'
kinds = [r[1] for r in rows[1:]]
assert kinds == ['Mean', 'STDEV'] * 3 + ['Comment'], kinds
for r in rows[1:]:
    datetime.datetime.fromisoformat(r[0])
    if r[1] != 'Comment':
        [float(v) for v in r[3:-1]]
assert rows[-1][-1] == 'note, with "quotes"\nsecond line', rows[-1][-1]
print('ok')
)";
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), csvPath});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().trimmed().toStdString(), "ok");
}

} // namespace
