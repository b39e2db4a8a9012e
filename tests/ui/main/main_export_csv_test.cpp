#include "support/window_fixture.h"

#include "rows/log_file.h"
#include "ui/main/main_window.h"

#include <QAction>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// "Export CSV..." in the File menu, its dialogs answered by script.
struct ExportCsvTest : ScriptedWindowTest {    void Export(const QString& log, const QString& csv)
    {
        Dialogs.ExportLogPaths.push_back(log);
        Dialogs.CsvPaths.push_back(csv);
        QAction* item = App->findChild<QAction*>(QStringLiteral("ExportCsv1"));
        ASSERT_TRUE(item);
        item->trigger();
    }
    // A log opened by New File, with a header line and one row.
    QString LogWithOneRow()
    {
        const QString path = Places.InDriveC(QStringLiteral("run.LOG"));
        Dialogs.SavePaths.push_back(path);
        App->findChild<QAction*>(QStringLiteral("NewFile"))->trigger();
        App->Log().WriteHeaderLine("    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]");
        App->Log().WriteRow("12:00:00     1.23      250  20.90    55", nullptr);
        return path;
    }
};

TEST_F(ExportCsvTest, CurrentLogIsOfferedAndConverted)
{
    const QString log = LogWithOneRow();
    const QString csv = Places.InDriveC(QStringLiteral("run.csv"));
    Export(log, csv);
    // The open log first, then a CSV name beside it.
    EXPECT_EQ(Dialogs.ExportOffers, (QStringList{log, csv}));
    EXPECT_EQ(ReadAll(csv), QByteArray("Time,Kind,Run,Bench 1 CO2 [%],Bench 1 Freon [ppm],Bench 1 O2 [%],"
                                       "Bench 1 NO [ppm]\r\n"
                                       "2023-11-14 12:00:00,Raw,1,1.23,250,20.90,55\r\n"));
    ASSERT_EQ(Messages.Messages.size(), 1);
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(Messages.Messages[0].Text, QStringLiteral("1 rows of 1 runs exported.\n") + csv);
    // The log stays open and goes on taking rows.
    EXPECT_TRUE(App->LogFileOpen());
}

TEST_F(ExportCsvTest, CancelWrongTargetAndNoLog)
{
    const QString log = LogWithOneRow();
    const QString notes = Places.InDriveC(QStringLiteral("notes.txt"));
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a log\r\n");
    f.close();
    const QByteArray logBytes = ReadAll(log);
    const QString csv = Places.InDriveC(QStringLiteral("out.csv"));

    struct Case {
        const char* Name;
        QString Log, Csv;
        QString Message; // empty: no box
    };
    const Case cases[] = {
        {"log dialog cancelled", QString(), csv, QString()},
        {"CSV dialog cancelled", log, QString(), QString()},
        {"CSV chosen as the log itself", log, log, QStringLiteral("The CSV file must not be the log file itself.")},
        {"not a log", notes, csv,
         QStringLiteral("CSV export failed: This is not a log file: it has no creation, appending or header line.")},
    };
    for (const Case& c : cases) {
        Messages.Messages.clear();
        Dialogs.ExportLogPaths.clear();
        Dialogs.CsvPaths.clear();
        Export(c.Log, c.Csv);
        EXPECT_EQ(Messages.Texts(), c.Message.isEmpty() ? QStringList() : QStringList{c.Message}) << c.Name;
        EXPECT_FALSE(QFile::exists(csv)) << c.Name;
        EXPECT_EQ(ReadAll(log), logBytes) << c.Name;
    }
}

// A long export lets timers and port input through (not user input): a timer
// due at the start fires before the export has returned.
TEST_F(ExportCsvTest, LongExportKeepsServingTheEventLoop)
{
    const QString log = Places.InDriveC(QStringLiteral("long.LOG"));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("MainLogfile long.LOG created 14/11/2023\r\n    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]\r\n");
    for (int i = 0; i < 10000; ++i)
        f.write("12:00:00     1.23      250  20.90    55\r\n");
    f.close();

    bool returned = false, firedDuringExport = false;
    QTimer::singleShot(0, [&] { firedDuringExport = !returned; });
    Export(log, Places.InDriveC(QStringLiteral("long.csv")));
    returned = true;
    EXPECT_TRUE(firedDuringExport);
    EXPECT_EQ(Messages.Texts(),
              QStringList{QStringLiteral("10000 rows of 1 runs exported.\n") + Places.InDriveC(QStringLiteral("long.csv"))});
}

} // namespace
