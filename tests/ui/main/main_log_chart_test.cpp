#include "support/window_fixture.h"

#include "ui/graphs/log_chart_window.h"
#include "rows/log_file.h"
#include "ui/main/main_window.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

// "Open Log as Chart..." in the File menu, its dialog answered by script.
struct OpenLogChartTest : ScriptedWindowTest {
    void Open(const QStringList& logs)
    {
        Dialogs.ChartLogPaths.push_back(logs);
        QAction* item = App->findChild<QAction*>(QStringLiteral("OpenLogChart"));
        ASSERT_TRUE(item);
        ASSERT_EQ(item->text(), QStringLiteral("Open Log as C&hart..."));
        item->trigger();
    }
    QList<LogChartWindow*> Charts() const { return App->findChildren<LogChartWindow*>(); }
};

// The log being written is offered first and opens in a window of its own.
TEST_F(OpenLogChartTest, TheCurrentLogOpensAsAChart)
{
    const QString path = Places.InDriveC(QStringLiteral("run.LOG"));
    Dialogs.SavePaths.push_back(path);
    App->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
    App->Log().WriteHeaderLine("    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]");
    App->Log().WriteRow("12:00:00     1.23      250  20.90    55", nullptr);
    Open({path});
    EXPECT_EQ(Dialogs.ExportOffers.last(), path);
    ASSERT_EQ(Charts().size(), 1);
    LogChartWindow* chart = Charts().front();
    EXPECT_TRUE(chart->isVisible());
    EXPECT_EQ(chart->View().File(0).Rows(), 1u);
    EXPECT_TRUE(Messages.Texts().isEmpty()) << Messages.Texts().join(QLatin1Char('|')).toStdString();

    // The log goes on being written; the chart reads the new row.
    App->Log().WriteRow("12:00:01     1.24      251  20.91    56", nullptr);
    EXPECT_EQ(chart->Refresh(), 1u);
    EXPECT_TRUE(App->LogFileOpen());
}

TEST_F(OpenLogChartTest, CancelAndFilesThatAreNoLogs)
{
    const QString notes = Places.InDriveC(QStringLiteral("notes.txt"));
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a log\r\n");
    f.close();
    Open({});
    EXPECT_TRUE(Charts().isEmpty());
    EXPECT_TRUE(Messages.Texts().isEmpty());
    Open({notes});
    EXPECT_TRUE(Charts().isEmpty());
    EXPECT_EQ(Messages.Texts(),
              QStringList{QStringLiteral("Some logs could not be read:\n"
                                         "notes.txt: This is not a log file: it has no creation, appending or header line.")});
}

} // namespace
