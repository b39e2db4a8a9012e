#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>

#include <cmath>
#include <memory>

#include "logchart/log_chart_data.h"
#include "logchart/log_chart_view.h"

namespace {

LogFormats TestFormats()
{
    LogFormats f;
    f.DateFormats << QStringLiteral("dd/MM/yyyy");
    f.TimeFormats << QStringLiteral("HH:mm:ss");
    return f;
}

std::string CrLf(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

// A log held in memory, read as a chart.
struct MemoryLog {
    QBuffer In;
    LogChartData Data;
    QString Error;
    bool Ok = false;
    explicit MemoryLog(const std::string& text)
    {
        In.setData(QByteArray::fromStdString(text));
        In.open(QIODevice::ReadOnly);
        Ok = Data.Read(In, &Error, TestFormats());
    }
    const LogTrace* Trace(const QString& name) const
    {
        for (const LogTrace& t : Data.Traces)
            if (t.Name() == name)
                return &t;
        return nullptr;
    }
};

double At(int y, int mo, int d, int h, int mi, int s)
{
    return ChartSeconds(QDate(y, mo, d), h * 3600 + mi * 60 + s);
}

const std::string kGas2 =
    "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";
const std::string kGas1 = "Accept    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";
const std::string kDemGas1 = "    Time     Dem CO2   Freon     Ref   CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]";
const std::string kBlank29(29, ' ');

struct Point {
    const char* Trace;
    size_t Row;
    double Value; // NaN: no value
    double Stdev; // NaN: none
};

struct ChartCase {
    const char* Name;
    std::string Log;
    std::vector<double> Times;         // every row's time, whole seconds
    std::vector<Point> Points;         // first, last and middle points of traces
    std::vector<size_t> RunStarts;
    int Skipped;
};

// The traces' points are the log's cells, at the log's times.
TEST(LogChartData, HandWrittenLogsAsTraces)
{
    const double nan = NAN;
    const std::vector<ChartCase> cases = {
        {"raw rows of two benches across midnight",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGas2,
               "23:59:58     1.23      250  20.90    55   4.00        5   6.00     7",
               "23:59:59    -0.05        0   0.00 12345   4.10        6   6.10     8",
               "00:00:01     0.00        0   0.00     0   4.20        7   6.20     9"}),
         {At(2013, 1, 17, 23, 59, 58), At(2013, 1, 17, 23, 59, 59), At(2013, 1, 18, 0, 0, 1)},
         {{"Bench 1 CO2 [%]", 0, 1.23, nan},
          {"Bench 1 NO [ppm]", 1, 12345, nan},
          {"Bench 2 Freon [ppm]", 2, 7, nan},
          {"Bench 2 O2 [%]", 1, 6.1, nan}},
         {},
         0},
        {"mean and STDEV lines: a value and its deviation per row",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kDemGas1,
               "10:00:00      1001      20      30   2.00    60.00  20.50  15.00",
               "10:00:00  1.414214    0.0000    0.0000    1.4142   14.1421    0.7071    7.0711    STDEV",
               "10:00:04  -1000000      20      30  -1.00     0.00   0.00  -3.00",
               "10:00:04  0.000000    0.0000    0.0000    0.7071    0.0000    0.0000    0.0000    STDEV"}),
         {At(2013, 1, 17, 10, 0, 0), At(2013, 1, 17, 10, 0, 4)},
         {{"Bench 1 Dem CO2", 0, 1001, 1.414214},
          {"Bench 1 Dem CO2", 1, -1000000, 0},
          {"Bench 1 NO [ppm]", 0, 15, 7.0711},
          {"Bench 1 CO2 [%]", 1, -1, 0.7071}},
         {},
         0},
        {"an appended run with another bench set starts a new run; empty and garbage lines",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGas1,
               "     110:00:00     1.23      250  20.90    55", "\x01\xff garbage 12 34",
               "     210:00:01     1.24      251  20.91    56", "",
               "Logfile C:\\a.LOG opened for appending 18/01/2013 08:00:00", kGas2,
               "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7"}),
         {At(2013, 1, 17, 10, 0, 0), At(2013, 1, 17, 10, 0, 1), At(2013, 1, 18, 8, 0, 5)},
         {{"Bench 1 CO2 [%]", 0, 1.23, nan},
          {"Bench 1 CO2 [%]", 2, 1.00, nan},
          {"Bench 2 NO [ppm]", 0, nan, nan},
          {"Bench 2 NO [ppm]", 2, 7, nan}},
         {2},
         1},
        {"a silent bench's cells are no value, never zero",
         CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGas2,
               "08:00:05     1.00        1   2.00     3   4.00        5   6.00     7",
               "08:00:06  " + kBlank29 + "   4.10        6   6.10     8",
               "08:00:07     1.20        3   2.20     5"}),
         {At(2013, 1, 17, 8, 0, 5), At(2013, 1, 17, 8, 0, 6), At(2013, 1, 17, 8, 0, 7)},
         {{"Bench 1 CO2 [%]", 1, nan, nan},
          {"Bench 1 CO2 [%]", 2, 1.2, nan},
          {"Bench 2 CO2 [%]", 1, 4.1, nan},
          {"Bench 2 CO2 [%]", 2, nan, nan}},
         {},
         0},
    };
    for (const ChartCase& c : cases) {
        MemoryLog log(c.Log);
        ASSERT_TRUE(log.Ok) << c.Name << ": " << log.Error.toStdString();
        ASSERT_EQ(log.Data.Rows(), c.Times.size()) << c.Name;
        for (size_t r = 0; r < c.Times.size(); ++r)
            EXPECT_EQ(std::floor(log.Data.Times[r]), c.Times[r]) << c.Name << " row " << r;
        for (const Point& p : c.Points) {
            const LogTrace* t = log.Trace(QString::fromLatin1(p.Trace));
            ASSERT_NE(t, nullptr) << c.Name << ": " << p.Trace;
            if (std::isnan(p.Value))
                EXPECT_TRUE(std::isnan(t->At(p.Row))) << c.Name << ": " << p.Trace << " row " << p.Row;
            else
                EXPECT_FLOAT_EQ(t->At(p.Row), float(p.Value)) << c.Name << ": " << p.Trace << " row " << p.Row;
            if (std::isnan(p.Stdev))
                EXPECT_TRUE(std::isnan(t->StdevAt(p.Row))) << c.Name << ": " << p.Trace << " row " << p.Row;
            else
                EXPECT_FLOAT_EQ(t->StdevAt(p.Row), float(p.Stdev)) << c.Name << ": " << p.Trace << " row " << p.Row;
        }
        EXPECT_EQ(log.Data.RunStarts, c.RunStarts) << c.Name;
        EXPECT_EQ(log.Data.SkippedLines, c.Skipped) << c.Name;
    }
}

// Rows of one second share it evenly, in order; the cursor reads the log's own time.
TEST(LogChartData, RowsOfOneSecondAreSpreadOverIt)
{
    MemoryLog log(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "    Time       PEF ", "10:00:00   0.100",
                        "10:00:00   0.200", "10:00:00   0.300", "10:00:00   0.400", "10:00:01   0.500"}));
    ASSERT_TRUE(log.Ok);
    const double t0 = At(2013, 1, 17, 10, 0, 0);
    EXPECT_EQ(log.Data.Times, (std::vector<double>{t0, t0 + 0.25, t0 + 0.5, t0 + 0.75, t0 + 1}));
    EXPECT_EQ(log.Data.TimeText(2), QStringLiteral("2013-01-17 10:00:00"));
}

// A row earlier than the one before stands at the time before it; an unread
// time stays with the row before it; the axis only goes forward.
TEST(LogChartData, TimesNeverGoBack)
{
    MemoryLog log(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "    Time       PEF ", "10:00:05   0.100",
                        "10:00:03   0.200", "10 h 01   0.300", "10:00:06   0.400"}));
    ASSERT_TRUE(log.Ok);
    EXPECT_TRUE(std::is_sorted(log.Data.Times.begin(), log.Data.Times.end()));
    EXPECT_EQ(log.Data.OutOfOrder, 1);
    EXPECT_EQ(log.Data.UnreadTimes, 1);
    EXPECT_EQ(log.Data.Rows(), 4u);
}

TEST(LogChartData, NoLogIsRefused)
{
    MemoryLog log(CrLf({"hello", "1,2,3"}));
    EXPECT_FALSE(log.Ok);
    EXPECT_EQ(log.Error.toStdString(), "This is not a log file: it has no creation, appending or header line.");
}

// A log being written: rows come as whole lines; the STDEV line of a mean read
// before still gives that mean its band.
TEST(LogChartData, GrowingLogAddsRows)
{
    MemoryLog log(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "    Time       PEF ", "10:00:00   0.100"})
                  + "10:00:01   0.2");
    ASSERT_TRUE(log.Ok);
    EXPECT_EQ(log.Data.Rows(), 1u);
    log.In.buffer().append("00\r\n10:00:01      0.0500    STDEV\r\n10:00:02   0.300\r\n");
    EXPECT_EQ(log.Data.Update(), 2u);
    const LogTrace& t = log.Data.Traces[0];
    EXPECT_FLOAT_EQ(t.At(1), 0.2f);
    EXPECT_FLOAT_EQ(t.StdevAt(1), 0.05f);
    const ValueRange band = t.Range(0, 3, true);
    EXPECT_FLOAT_EQ(band.Min, 0.15f);
    EXPECT_FLOAT_EQ(band.Max, 0.25f) << "only rows with a deviation make the band";
    EXPECT_FLOAT_EQ(t.Range(0, 3).Max, 0.3f);
}

// The pyramid gives the extremes of any range as a scan of every point does.
TEST(MinMaxPyramid, AnyRangeAsAScan)
{
    std::vector<float> v(5000);
    uint32_t x = 7;
    for (float& f : v) {
        x = x * 1103515245u + 12345u;
        f = (x >> 8) % 1000 == 0 ? NAN : float((x >> 8) % 100000) / 7.0f;
    }
    MinMaxPyramid p;
    auto value = [&](size_t i) { return v[i]; };
    p.Update(3000, 0, value, value);
    p.Update(v.size(), 3000, value, value);
    for (size_t from = 0; from < v.size(); from += 37)
        for (size_t to = from; to <= v.size(); to += 311) {
            ValueRange scan;
            for (size_t i = from; i < to; ++i)
                scan.Add(v[i], v[i]);
            const ValueRange got = p.Query(from, to, value, value);
            ASSERT_EQ(got.Empty(), scan.Empty()) << from << ".." << to;
            if (!scan.Empty()) {
                ASSERT_EQ(got.Min, scan.Min) << from << ".." << to;
                ASSERT_EQ(got.Max, scan.Max) << from << ".." << to;
            }
        }
}

std::string LongLog(size_t rows, size_t spikeRow)
{
    std::string log = CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", "    Time       PEF "});
    log.reserve(rows * 18 + 100);
    char line[32];
    for (size_t i = 0; i < rows; ++i) {
        const size_t s = (8 * 3600 + i / 25) % 86400;
        std::snprintf(line, sizeof line, "%02zu:%02zu:%02zu  %6.3f\r\n", s / 3600, s / 60 % 60, s % 60,
                      i == spikeRow ? 9.999 : 0.400 + 0.001 * double(i % 50));
        log += line;
    }
    return log;
}

// Two million points in 800 pixel columns: the one spike is still drawn.
TEST(LogChartView, ASingleSpikeInTwoMillionPointsShowsZoomedOut)
{
    const size_t rows = 2000000, spike = 1234567;
    QBuffer in;
    in.setData(QByteArray::fromStdString(LongLog(rows, spike)));
    in.open(QIODevice::ReadOnly);
    auto data = std::make_unique<LogChartData>();
    ASSERT_TRUE(data->Read(in, nullptr, TestFormats()));
    ASSERT_EQ(data->Rows(), rows);
    const LogChartData& read = *data;
    LogChartView view;
    view.AddFile(std::move(data));
    view.FitAll();
    const LogChartView::Polyline line = view.Line({0, 0}, 800);
    EXPECT_TRUE(line.Decimated);
    EXPECT_LE(line.X.size(), 4u * 800);
    EXPECT_FLOAT_EQ(*std::max_element(line.Y.begin(), line.Y.end()), 9.999f);
    EXPECT_FLOAT_EQ(*std::min_element(line.Y.begin(), line.Y.end()), 0.4f);
    EXPECT_GE(view.Left.Max, 9.999);

    // Zoomed to one minute around it: every row its own point, the spike among them.
    const double t = read.Times[spike];
    view.SetXRange(t - 30, t + 30);
    const LogChartView::Polyline minute = view.Line({0, 0}, 800);
    EXPECT_FALSE(minute.Decimated);
    EXPECT_NEAR(double(minute.X.size()), 60 * 25, 2 * 25);
    EXPECT_FLOAT_EQ(*std::max_element(minute.Y.begin(), minute.Y.end()), 9.999f);
    const LogChartView::Readout readout = view.ReadAt(t);
    ASSERT_EQ(readout.Values.size(), 1u);
    EXPECT_FLOAT_EQ(readout.Values[0].Value, 9.999f);
    EXPECT_EQ(readout.Time, read.TimeText(spike));
}

// Lines stop at empty cells and at run boundaries; zoomed in, the lines to the
// rows outside the view end at its edges on the straight line between the rows.
TEST(LogChartView, LinesBreakAtGapsAndRunsAndEndAtTheFrame)
{
    auto data = std::make_unique<LogChartData>();
    QBuffer in;
    in.setData(QByteArray::fromStdString(
        CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGas2,
              "08:00:00     1.00        1   2.00     3   4.00        5   6.00     7",
              "08:00:10     2.00        1   2.00     3",
              "08:00:20     3.00        1   2.00     3   4.00        5   6.00     7", "", kGas2,
              "08:00:30     4.00        1   2.00     3   4.00        5   6.00     7"})));
    in.open(QIODevice::ReadOnly);
    QString error;
    ASSERT_TRUE(data->Read(in, &error, TestFormats())) << error.toStdString();
    LogChartView view;
    view.AddFile(std::move(data));
    view.FitAll();
    const double t0 = At(2013, 1, 17, 8, 0, 0);
    view.SetXRange(t0, t0 + 30);
    const LogChartView::Polyline b1 = view.Line({0, 0}, 300); // Bench 1 CO2
    EXPECT_EQ(b1.Y, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(b1.Starts, (std::vector<size_t>{0, 3})) << "a new run is not joined";
    const LogChartView::Polyline b2 = view.Line({0, 4}, 300); // Bench 2 CO2
    EXPECT_EQ(b2.Starts, (std::vector<size_t>{0, 1, 2}));

    view.SetXRange(t0 + 5, t0 + 15);
    const LogChartView::Polyline cut = view.Line({0, 0}, 100);
    ASSERT_EQ(cut.X.size(), 3u);
    EXPECT_DOUBLE_EQ(cut.X[0], 0);
    EXPECT_DOUBLE_EQ(cut.Y[0], 1.5);
    EXPECT_DOUBLE_EQ(cut.X[1], 50);
    EXPECT_DOUBLE_EQ(cut.X[2], 100);
    EXPECT_DOUBLE_EQ(cut.Y[2], 2.5);
}

// Toggles per bench and per value; a second axis for the second unit.
TEST(LogChartView, TogglesAndAxes)
{
    auto data = std::make_unique<LogChartData>();
    QBuffer in;
    in.setData(QByteArray::fromStdString(CrLf({"MainLogfile C:\\a.LOG created 17/01/2013", kGas2,
                                                "08:00:00     1.00      100   2.00     3   4.00        5   6.00     7"})));
    in.open(QIODevice::ReadOnly);
    ASSERT_TRUE(data->Read(in, nullptr, TestFormats()));
    LogChartView view;
    view.AddFile(std::move(data));
    view.FitAll();
    EXPECT_EQ(view.ShownTraces().size(), 8u);
    EXPECT_TRUE(view.HasRight());
    EXPECT_EQ(view.Left.Label, QStringLiteral("CO2, O2 [%]"));
    EXPECT_EQ(view.Right.Label, QStringLiteral("Freon, NO [ppm]"));
    EXPECT_EQ(view.AxisOf({0, 1}), 1);
    EXPECT_GE(view.Right.Max, 100);
    EXPECT_LE(view.Left.Max, 7);

    view.SetBenchShown(1, false);
    EXPECT_EQ(view.ShownTraces().size(), 4u);
    view.SetValueShown(0, 1, false); // Freon
    view.SetValueShown(0, 3, false); // NO
    EXPECT_EQ(view.ShownTraces().size(), 2u);
    EXPECT_FALSE(view.HasRight());
    const LogChartView::Readout r = view.ReadAt(view.XMin);
    ASSERT_EQ(r.Values.size(), 2u);
    EXPECT_EQ(r.Values[1].Name, QStringLiteral("Bench 1 O2 [%]"));
    EXPECT_FLOAT_EQ(r.Values[1].Value, 2.0f);
}

} // namespace
