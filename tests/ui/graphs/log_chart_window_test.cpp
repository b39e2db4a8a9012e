#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

#include "ui/graphs/log_chart_canvas.h"
#include "ui/graphs/log_chart_window.h"

namespace {

// A log of two benches, a row every second from 10:00:00, written as a growing log is.
struct LogChartWindowTest : ::testing::Test {
    QTemporaryDir Dir;
    QString Log;
    int Rows = 0;

    void SetUp() override
    {
        Log = Dir.filePath(QStringLiteral("RUN.LOG"));
        Append("MainLogfile C:\\RUN.LOG created 17/01/2013\r\n"
               "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]\r\n");
        AddRows(600);
    }
    void Append(const QByteArray& bytes)
    {
        QFile f(Log);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(bytes);
    }
    void AddRows(int n)
    {
        QByteArray text;
        for (int i = 0; i < n; ++i, ++Rows) {
            const int s = 10 * 3600 + Rows;
            char line[160];
            std::snprintf(line, sizeof line, "%02d:%02d:%02d  %7.2f%9d%7.2f%6d%7.2f%9d%7.2f%6d\r\n", s / 3600,
                          s / 60 % 60, s % 60, 1 + 0.01 * (Rows % 100), 100 + Rows % 7, 20.9, Rows % 5, 2.0,
                          200 + Rows % 3, 20.8, 7);
            text += line;
        }
        Append(text);
    }
    static double At(int h, int m, int s) { return ChartSeconds(QDate(2013, 1, 17), h * 3600 + m * 60 + s); }
};

TEST_F(LogChartWindowTest, TogglesKeysMouseAndCursor)
{
    LogChartWindow w;
    QString error;
    ASSERT_TRUE(w.OpenLogs({Log}, &error)) << error.toStdString();
    w.resize(1100, 700);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Log Chart - RUN.LOG"));
    EXPECT_EQ(w.View().ShownTraces().size(), 8u);
    EXPECT_NE(w.SummaryText().indexOf(QStringLiteral("RUN.LOG: 600 rows of 1 runs.")), -1) << w.SummaryText().toStdString();

    // A bench box and a value box hide their traces.
    QCheckBox* bench2 = w.findChild<QCheckBox*>(QStringLiteral("Bench2Check"));
    ASSERT_TRUE(bench2);
    bench2->click();
    EXPECT_EQ(w.View().ShownTraces().size(), 4u);
    QCheckBox* freon = w.findChild<QCheckBox*>(QStringLiteral("Value0_1Check"));
    ASSERT_TRUE(freon);
    EXPECT_EQ(freon->text(), QStringLiteral("Freon [ppm]"));
    freon->click();
    EXPECT_EQ(w.View().ShownTraces().size(), 3u);
    w.ShowBench(1, true);
    EXPECT_TRUE(bench2->isChecked());

    LogChartCanvas* canvas = w.Canvas();
    const double fullWidth = w.View().XMax - w.View().XMin;
    // The wheel zooms around the pointer, the keys pan and fit.
    const QRect plot(canvas->rect().center() - QPoint(100, 100), QSize(200, 200));
    const QPoint at = plot.center();
    const double timeAt = canvas->TimeAtX(at.x());
    QWheelEvent wheel(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(canvas, &wheel);
    EXPECT_NEAR(w.View().XMax - w.View().XMin, fullWidth * 0.8, 1e-6);
    EXPECT_NEAR(canvas->TimeAtX(at.x()), timeAt, 1e-6) << "the time under the pointer stays";
    const double before = w.View().XMin;
    QTest::keyClick(canvas, Qt::Key_Right);
    EXPECT_NEAR(w.View().XMin - before, (w.View().XMax - w.View().XMin) * 0.1, 1e-6);
    QTest::keyClick(canvas, Qt::Key_Home);
    EXPECT_NEAR(w.View().XMax - w.View().XMin, fullWidth, 1e-6);

    // One minute, then the cursor at 10:05:00 reads that row's values.
    w.ShowRange(At(10, 4, 30), At(10, 5, 30));
    // The left axis fits CO2 (1.00 .. 1.99 in this minute) and O2 (20.80, 20.90) with a margin.
    EXPECT_LE(w.View().Left.Min, 1.0);
    EXPECT_GT(w.View().Left.Min, 0.0);
    EXPECT_GE(w.View().Left.Max, 20.9);
    EXPECT_LT(w.View().Left.Max, 22.0);
    canvas->SetCursorTime(At(10, 5, 0));
    const QString readout = w.ReadoutText();
    if (qEnvironmentVariableIsSet("HALYARD_KEEP_WINDOW"))
        w.grab().save(qEnvironmentVariable("HALYARD_KEEP_WINDOW"));
    EXPECT_TRUE(readout.startsWith(QStringLiteral("2013-01-17 10:05:00\n"))) << readout.toStdString();
    EXPECT_NE(readout.indexOf(QStringLiteral("Bench 1 CO2 [%]: 1")), -1) << readout.toStdString();
    EXPECT_NE(readout.indexOf(QStringLiteral("Bench 2 NO [ppm]: 7")), -1) << readout.toStdString();

    // Export: the file at the size of the chart on the screen.
    const QString png = Dir.filePath(QStringLiteral("view.png"));
    QString offered;
    w.AskExportPath = [&](const QString& suggested) {
        offered = suggested;
        return png;
    };
    w.findChild<QPushButton*>(QStringLiteral("ExportButton"))->click();
    EXPECT_EQ(offered, Dir.filePath(QStringLiteral("RUN.png")));
    EXPECT_EQ(QImage(png).size(), canvas->size());
}

// The log being written grows in the window; with its end in view the view follows.
TEST_F(LogChartWindowTest, AGrowingLogIsFollowed)
{
    LogChartWindow w;
    ASSERT_TRUE(w.OpenLogs({Log}, nullptr));
    const double width = w.View().XMax - w.View().XMin;
    Append("10:10:00     1.00      100  20.90     1");  // half a line: not read yet
    EXPECT_EQ(w.Refresh(), 0u);
    Append("   2.00      200  20.80     7\r\n");
    AddRows(120);
    EXPECT_EQ(w.Refresh(), 121u);
    EXPECT_EQ(w.View().File(0).Rows(), 721u);
    EXPECT_GE(w.View().XMax, At(10, 11, 59));
    EXPECT_NEAR(w.View().XMax - w.View().XMin, width, 1e-6) << "the view keeps its width and moves";

    // Zoomed back to the start, it stays there while rows come.
    w.ShowRange(At(10, 0, 0), At(10, 1, 0));
    AddRows(10);
    EXPECT_EQ(w.Refresh(), 10u);
    EXPECT_DOUBLE_EQ(w.View().XMin, At(10, 0, 0));
}

TEST_F(LogChartWindowTest, FilesThatAreNoLogsAreNamed)
{
    const QString notes = Dir.filePath(QStringLiteral("notes.txt"));
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("shopping list\r\n");
    f.close();
    LogChartWindow w;
    QString error;
    EXPECT_TRUE(w.OpenLogs({notes, Log}, &error));
    EXPECT_EQ(error, QStringLiteral("notes.txt: This is not a log file: it has no creation, appending or header line."));
    EXPECT_EQ(w.View().Files().size(), 1u);
    LogChartWindow none;
    EXPECT_FALSE(none.OpenLogs({notes}, &error));
}

} // namespace
