// halyard-log --plot: the picture of a log without a screen, the same as the chart
// window exports for the same range and columns.
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "logchart/log_chart_data.h"
#include "logchart/log_chart_export.h"
#include "logchart/log_chart_selection.h"
#include "logchart/log_chart_view.h"
#include "ui/graphs/log_chart_window.h"

namespace {

const QString kLoggerProgram = QStringLiteral(HALYARD_LOG_EXE);

struct PlotTest : ::testing::Test {
    QTemporaryDir Dir;
    QString Log;

    void SetUp() override
    {
        Log = Dir.filePath(QStringLiteral("RUN.LOG"));
        QFile f(Log);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("MainLogfile C:\\RUN.LOG created 17/01/2013\r\n"
                "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]\r\n");
        char line[200];
        for (int i = 0; i < 4000; ++i) {
            const int s = (23 * 3600 + 50 * 60 + i / 2) % 86400;
            std::snprintf(line, sizeof line, "%02d:%02d:%02d  %7.2f%9d%7.2f%6d%7.2f%9d%7.2f%6d\r\n", s / 3600,
                          s / 60 % 60, s % 60, 5 + 0.01 * (i % 97), 100 + i % 31, 20.9 - 0.01 * (i % 13), i % 7, 6.0,
                          50 + i % 11, 20.8, i % 9);
            f.write(line);
        }
    }

    // Runs halyard-log as on a machine without a desktop.
    int Run(const QStringList& args, QByteArray* err = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(kLoggerProgram, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

// The window's export and --plot of the same log, range and columns: the same pixels.
TEST_F(PlotTest, PlotDrawsWhatTheWindowExports)
{
    const QString plotted = Dir.filePath(QStringLiteral("plot.png"));
    QByteArray err;
    ASSERT_EQ(Run({QStringLiteral("--plot"), Log, QStringLiteral("--out"), plotted, QStringLiteral("--from"),
                   QStringLiteral("23:55"), QStringLiteral("--to"), QStringLiteral("00:05:30"),
                   QStringLiteral("--columns"), QStringLiteral("Bench 2,CO2,NO"), QStringLiteral("--size"),
                   QStringLiteral("1000x600")},
                  &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(err.contains("plot.png written. 4000 rows of 1 runs.")) << err.toStdString();

    LogChartWindow window;
    QString error;
    ASSERT_TRUE(window.OpenLogs({Log}, &error)) << error.toStdString();
    window.ShowBench(0, false);
    window.ShowValue(0, 1, false); // Freon
    window.ShowValue(0, 2, false); // O2
    const double day = ChartSeconds(QDate(2013, 1, 17), 0);
    window.ShowRange(day + 23 * 3600 + 55 * 60, day + 86400 + 5 * 60 + 30);
    const QString exported = Dir.filePath(QStringLiteral("window.png"));
    ASSERT_TRUE(window.ExportTo(exported, QSize(1000, 600), &error)) << error.toStdString();

    const QImage a(plotted), b(exported);
    ASSERT_EQ(a.size(), QSize(1000, 600));
    EXPECT_TRUE(a == b) << "halyard-log --plot and the window's export differ";
}

TEST_F(PlotTest, SvgAndPdfToo)
{
    for (const char* name : {"night.svg", "night.pdf"}) {
        const QString out = Dir.filePath(QString::fromLatin1(name));
        QByteArray err;
        EXPECT_EQ(Run({QStringLiteral("--plot"), Log, QStringLiteral("--out"), out}, &err), 0) << err.toStdString();
        EXPECT_GT(QFile(out).size(), 1000) << name;
    }
}

TEST_F(PlotTest, FailuresSayWhy)
{
    const QString notes = Dir.filePath(QStringLiteral("notes.txt"));
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("shopping list\r\n");
    f.close();
    const QString out = Dir.filePath(QStringLiteral("x.png"));
    const struct {
        QStringList Args;
        const char* Message;
    } cases[] = {
        {{"--plot", notes, "--out", out}, "halyard-log: This is not a log file"},
        {{"--plot", Dir.filePath(QStringLiteral("missing.LOG")), "--out", out}, "halyard-log: Cannot open "},
        {{"--plot", Log, "--out", out, "--columns", "Ozone"}, "halyard-log: the log has no column \"Ozone\"; it has: Bench 1, Bench 2, CO2 [%]"},
        {{"--plot", Log, "--out", out, "--from", "2013-01-18 00:00", "--to", "2013-01-17 23:00"},
         "halyard-log: --to must come after --from"},
    };
    for (const auto& c : cases) {
        QByteArray err;
        EXPECT_EQ(Run(c.Args, &err), 1) << c.Message;
        EXPECT_TRUE(err.startsWith(c.Message)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

} // namespace
