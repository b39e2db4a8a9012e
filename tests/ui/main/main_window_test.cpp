#include "support/window_fixture.h"

#include "ui/main/about_box.h"
#include "ui/common/bench_window.h"
#include "ui/main/program_texts.h"
#include "ui/main/comment_dialog.h"
#include "ui/common/comm_settings_dialog.h"
#include "ui/main/history_window.h"
#include "ui/main/main_window.h"
#include "ui/common/radio_group.h"
#include "ui/common/status_light.h"
#include "ui/main/message_window.h"
#include "ui/main/title_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QHeaderView>
#include <QTableView>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kBase = QStringLiteral("Halyard Application Program for Type Kestrel-2, Rev 1.07, 17/1/2013");
const QString kShort = QStringLiteral("Halyard Application Program for Type Kestrel-2, Rev 1.07");

struct MainWindowTest : ScriptedWindowTest {
    template <class W>
    W* Find(const char* name)
    {
        W* w = App->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString NewLog(const char* name)
    {
        const QString path = Places.InDriveC(QString::fromLatin1(name));
        Dialogs.SavePaths.push_back(path);
        Find<QAction>("NewFile")->trigger();
        return path;
    }
};

TEST_F(MainWindowTest, ControlsHaveTheirCaptionsAndInitialStates)
{
    struct Box {
        const char* Name;
        const char* Caption;
        bool Ticked, Visible;
    };
    const Box boxes[] = {
        {"TimeStamp", "Time Stamp", true, true},          {"RelativeTime", "Relative Time", false, true},
        {"AcceptCountChk", "Accept Count", false, false}, {"DemodulatedIR", "Demodulated IR", false, false},
        {"GasConcentration", "Gas Conc", true, true},     {"Offset", "Offset", false, false},
        {"MinMaxADC", "Min Max ADC", false, false},       {"Temperatures", "Temperatures", false, false},
        {"AmbTemp", "Amb Temp", false, false},            {"Pressures", "Pressures", false, false},
        {"AmbPressure", "Amb Pressure", false, false},    {"RawNoxO2", "Raw NO, O2", false, false},
        {"Pef", "PEF", false, false},
    };
    for (const Box& b : boxes) {
        auto* box = Find<QCheckBox>(b.Name);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), QString::fromLatin1(b.Caption)) << b.Name;
        EXPECT_EQ(box->isChecked(), b.Ticked) << b.Name;
        EXPECT_EQ(!box->isHidden(), b.Visible) << b.Name;
        EXPECT_TRUE(box->isEnabled()) << b.Name;
    }

    struct Button {
        const char* Name;
        const char* Caption;
        bool Enabled, Visible;
    };
    const Button buttons[] = {
        {"OKBtn", "OK", true, true},          {"StartBtn", "&Start", true, true},   {"StopBtn", "&Stop", false, true},
        {"ClearBtn", "Clea&r", true, true},   {"ZeroBtn", "&Zero", true, true},     {"CommentBtn", "&Comment", false, true},
        {"TitleBtn", "Title", true, false},   {"AcceptBtn", "&Accept", false, false}, {"HistoryBtn", "&History", true, false},
        {"OffsetBtn", "Offset", true, false}, {"ExitBtn", "E&xit", true, true},
    };
    for (const Button& b : buttons) {
        auto* button = Find<QPushButton>(b.Name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), QString::fromLatin1(b.Caption)) << b.Name;
        EXPECT_EQ(button->isEnabled(), b.Enabled) << b.Name;
        EXPECT_EQ(!button->isHidden(), b.Visible) << b.Name;
    }
    EXPECT_EQ(App->OKBtn->toolTip(), QStringLiteral("To enable Start Btn, press OK Btn first"));
    EXPECT_EQ(App->StartBtn->toolTip(), App->OKBtn->toolTip());
    EXPECT_EQ(App->ExitBtn->toolTip(), QStringLiteral("Exit"));
    EXPECT_TRUE(App->OKBtn->isDefault());

    struct Group {
        const char* Name;
        const char* Caption;
        QStringList Items;
        int Index;
        bool Enabled, Visible;
    };
    const Group groups[] = {
        {"AveragingRadioGroup", "Averaging", {"None", "Mean", "Mean+STDEV"}, 0, true, true},
        {"HCMode", "Freon Mode", {"FREON1", "FREON2"}, 0, true, true},
        {"CompDataRG", "Data", {"$01", "$06", "$44"}, 0, true, false},
        {"HCDivisorRadioGroup", "HC Divisor", {"1", "100"}, 0, true, false},
        {"Logging", "File &Log", {"On", "Off"}, 1, false, true},
        {"DataRadio", "Data Collect", {"Auto", "Manual"}, 0, false, false},
        {"ZeroRG", "Zero", {"Auto", "Manual"}, 0, true, true},
    };
    for (const Group& g : groups) {
        auto* group = Find<RadioGroup>(g.Name);
        ASSERT_TRUE(group);
        EXPECT_EQ(group->title(), QString::fromLatin1(g.Caption)) << g.Name;
        QStringList items;
        for (auto* item : group->Items)
            items << item->text();
        EXPECT_EQ(items, g.Items) << g.Name;
        EXPECT_EQ(group->ItemIndex(), g.Index) << g.Name;
        EXPECT_EQ(group->isEnabled(), g.Enabled) << g.Name;
        EXPECT_EQ(!group->isHidden(), g.Visible) << g.Name;
    }

    EXPECT_EQ(App->AverageEdit->text(), QStringLiteral("4"));
    EXPECT_TRUE(App->AverageEdit->isEnabled());
    EXPECT_EQ(App->AverageEdit->maxLength(), 6);
    EXPECT_EQ(App->SamplesPerBlock, 4);
    EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("Active Kestrel"));
    const char* comLabels[4] = {"Label2", "Label3", "Label4", "Label7"};
    for (int k = 0; k < 4; ++k) {
        auto* box = Find<QCheckBox>(QStringLiteral("ActiveBench%1").arg(k + 1).toLatin1().constData());
        EXPECT_EQ(box->text(), QString::number(k + 1));
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(box->isEnabled()) << "no device can be claimed";
        EXPECT_EQ(Find<QLabel>(comLabels[k])->text(), QStringLiteral("Com %1").arg(k + 1));
        EXPECT_TRUE(Find<QLineEdit>(QStringLiteral("AckNakEdit%1").arg(k + 1).toLatin1().constData())->text().isEmpty());
    }
    for (int i = 1; i <= 8; ++i)
        EXPECT_FALSE(Find<StatusLight>(QStringLiteral("ApdStatusLight%1").arg(i).toLatin1().constData())->Lit());
    EXPECT_EQ(Find<QLabel>("ACKNAKLabel")->text(), QStringLiteral("ACK or  NAK"));
    EXPECT_EQ(App->SecondAckNakLabel->text(), QStringLiteral("ACK or  NAK"));
    EXPECT_EQ(App->size(), QSize(890, 592));
    // Centred on the screen.
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((App->geometry().center() - screenCentre).manhattanLength(), 1);
    ASSERT_TRUE(App->Grid->model());
    EXPECT_EQ(App->Grid->model()->columnCount(), 64);
    EXPECT_EQ(App->Grid->model()->rowCount(), 28);
    EXPECT_EQ(App->Grid->horizontalHeader()->defaultSectionSize(), 90);
    EXPECT_EQ(App->Grid->verticalHeader()->defaultSectionSize(), 16);
    EXPECT_TRUE(App->font().bold());
    EXPECT_EQ(App->PollTimer->interval(), 1000);
    EXPECT_TRUE(App->PollTimer->isActive());
    EXPECT_FALSE(App->Collecting);
    EXPECT_FALSE(App->Closing());
    EXPECT_EQ(App->Acquisition().DataCommandSelection, 0);
}

TEST_F(MainWindowTest, ControlsWithoutCaptionCarryAccessibleNames)
{
    EXPECT_EQ(App->AckNakEdit[0]->accessibleName(), QStringLiteral("Bench 1 link status"));
    EXPECT_EQ(App->AckNakEdit[3]->accessibleName(), QStringLiteral("Bench 4 link status"));
    EXPECT_EQ(App->ApdStatusLight[0]->accessibleName(), QStringLiteral("Bench 1 transmit light"));
    EXPECT_EQ(App->ApdStatusLight[3]->accessibleName(), QStringLiteral("Bench 2 receive light"));
    EXPECT_EQ(App->AverageLabel->buddy(), App->AverageEdit);
    EXPECT_EQ(App->ComLabel[2]->buddy(), App->ActiveBench[2]);
    for (QWidget* w : App->findChildren<QWidget*>()) {
        if (w->window() != App.get())
            continue; // the secondary windows name their own controls
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<StatusLight*>(w) || qobject_cast<QTableView*>(w))
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString() << " in " << w->window()->objectName().toStdString() << " " << w->metaObject()->className();
    }
}

struct MenuItem {
    const char* Name;
    const char* Caption;
    bool Visible;
};

TEST_F(MainWindowTest, MenuItemsExistWithCaptionsAndVisibility)
{
    const MenuItem items[] = {
        {"NewFile", "&New File...", true},     {"Appendtofile1", "&Append to file", true},
        {"CloseFile1", "&Close File", true},   {"ExportCsv1", "&Export CSV...", true},
        {"OpenLogChart", "Open Log as C&hart...", true},
        {"PrintForm1", "Print &Window", true},
        {"PrinterSetup1", "Printer &Setup...", true}, {"Exit1", "Exit", true},
        {"Status", "Status", true},            {"Graphics1", "Graphics&1", true},
        {"Graphics2", "Graphics&2", true},     {"Comm1", "Comms...", true},
        {"N02ZeroO2SpanCalibration1", "Zero / O2 Span Calibration ", true},
        {"N0BLeakCheck1", "$0B Leak Check", false}, {"N58CharacterizeWarmup1", "$58 Characterize Warmup", false},
        {"F1ModeSelect1", "Mode Select", true}, {"N40RAWADIRChannelData1", "$40 RAW AD IR Channel Data", true},
        {"D4ChangeCommandSet1", "$D4 Change Command Set", true}, {"Parameters1", "Parameters...", true},
        {"NewCalLoad1", "New Cal Load", true}, {"About2", "&About...", true},
        {"GeneralHelp2", "General Help", false},
        // Hidden without the engineering marker.
        {"N41EngineeringStatus1", "$41 Engineering Status", false}, {"N56StoreDefaults1", "$56 Store Defaults", false},
        {"N57ResetToDefaults1", "$57 Reset To Defaults", false}, {"EngineeringStatus1", "Engineering Status", false},
    };
    for (const MenuItem& m : items) {
        auto* a = Find<QAction>(m.Name);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->text(), QString::fromLatin1(m.Caption)) << m.Name;
        EXPECT_EQ(a->isVisible(), m.Visible) << m.Name;
    }
    EXPECT_EQ(Find<QMenu>("CustomerCommands")->actions().size(), 21);
    EXPECT_EQ(Find<QMenu>("CustomerCommands")->title(), QStringLiteral("Bench Commands"));
    EXPECT_EQ(Find<QMenu>("CustomerServiceCommands")->title(), QStringLiteral("Engineering Bench  Commands"));
    EXPECT_EQ(Find<QMenu>("CustomerServiceCommands")->actions().size(), 13);
    EXPECT_FALSE(Find<QMenu>("CustomerServiceCommands")->menuAction()->isVisible());
    EXPECT_FALSE(Find<QMenu>("PellamServiceScreens1")->menuAction()->isVisible());
    // Separators after Append, Export CSV and Printer Setup.
    QStringList file;
    for (QAction* a : Find<QMenu>("File1")->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(file, (QStringList{"NewFile", "Appendtofile1", "-", "CloseFile1", "ExportCsv1", "OpenLogChart", "-", "PrintForm1", "PrinterSetup1", "-", "Exit1"}));
}

TEST_F(MainWindowTest, EngineeringMarkerKeepsTheEngineeringItems)
{
    QFile marker(Places.InDriveC(QStringLiteral("eng.Ok")));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    App.reset();
    Create();
    EXPECT_TRUE(App->EngMarker);
    for (const char* name : {"N41EngineeringStatus1", "N56StoreDefaults1", "N57ResetToDefaults1", "EngineeringStatus1"})
        EXPECT_TRUE(Find<QAction>(name)->isVisible()) << name;
    // The service menus that ship hidden open up for service work.
    EXPECT_TRUE(Find<QMenu>("CustomerServiceCommands")->menuAction()->isVisible());
    EXPECT_TRUE(Find<QMenu>("PellamServiceScreens1")->menuAction()->isVisible());
}

TEST_F(MainWindowTest, ServiceMenuEntriesOpenTheParameterWindows)
{
    const struct {
        const char* Item;
        const char* Window;
        const char* Title;
    } cases[] = {{"Parameters1", "TParameters", "Parameters"}, {"NewCalLoad1", "TFCalLoad1", "Cal Load1"}};
    for (const auto& c : cases) {
        Find<QAction>(c.Item)->trigger();
        QWidget* w = App->findChild<QWidget*>(QString::fromLatin1(c.Window));
        ASSERT_TRUE(w) << c.Window;
        EXPECT_TRUE(w->isVisible()) << c.Window;
        EXPECT_EQ(w->windowTitle(), QString::fromLatin1(c.Title));
        w->hide();
    }
}

TEST_F(MainWindowTest, WindowSetIsCreatedInStartUpOrderAndHidden)
{
    QStringList names;
    for (QWidget* w : App->Windows().All()) {
        ASSERT_TRUE(w);
        names << w->objectName();
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
        EXPECT_TRUE(w->isWindow());
    }
    EXPECT_EQ(names, (QStringList{"TAboutBox", "TCommDlg", "TCommentDlg", "TParameters", "TIRLog", "THistory", "TFCStatus",
                                  "TEStatus", "TRawIR", "TFGraph2", "TFGraph1", "TFUpgrade", "TfHist_ir", "TFTitle", "TFCmds",
                                  "TFMessage", "TFCalLoad", "TFCalLoad1"}));
    EXPECT_EQ(App->Windows().About->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(App->Windows().About->Version->text(), QStringLiteral("Version Rev 1.07, 17/1/2013"));
    EXPECT_EQ(App->Windows().About->ProductName->text(), Cedat::ProgramName);
    EXPECT_EQ(App->Windows().Comment->windowTitle(), QStringLiteral("Logfile Comment"));
    EXPECT_EQ(App->Windows().History->windowTitle(), QStringLiteral("History Screen"));
    EXPECT_EQ(App->Windows().Title->windowTitle(), QStringLiteral("Vireo Title"));
    EXPECT_EQ(App->Windows().Title->TitleEdit->text(), QStringLiteral("Computer:"));
    EXPECT_EQ(App->Windows().Message->windowTitle(), QStringLiteral("System Message"));
}

// Counts the calls the main window makes on a secondary window.
struct SpyWindow : CommandDialogBase {
    int Selections = 0, Opens = 0;
    QList<int>* Order = nullptr;
    int Id = 0;
    std::array<bool, 4> Buttons{};
    void UpdateBenchSelection() override
    {
        ++Selections;
        if (Order)
            Order->append(Id);
    }
    void OpenForCommand() override { ++Opens; }
    bool BenchButtonOn(int k) const override { return Buttons[k]; }
};

TEST_F(MainWindowTest, ActiveBoxChangeUpdatesEveryWindowInOrder)
{
    WindowSet& w = App->Windows();
    QList<int> order;
    BenchWindow** places[] = {&w.Parameters, &w.RawIr, &w.Upgrade, &w.OverlayTrend, &w.StackedTrend, &w.Status, &w.EngineeringStatus,
                              nullptr, &w.Calibration, &w.ParameterTransfer};
    QList<SpyWindow*> spies;
    for (int i = 0; i < 10; ++i) {
        auto* spy = new SpyWindow;
        spy->setParent(App.get(), Qt::Window);
        spy->Order = &order;
        spy->Id = i;
        spies << spy;
        // The window a spy replaces goes first: it is the window set's to delete, and left to the
        // main window's child list it would outlive the host it unhooks itself from.
        if (places[i]) {
            delete *places[i];
            *places[i] = spy;
        } else {
            delete w.Commands;
            w.Commands = spy;
        }
    }
    App->ActiveBench[2]->setEnabled(true);
    App->ActiveBench[2]->setChecked(true); // the dangling device fails: unticked and disabled again
    EXPECT_FALSE(App->ActiveBench[2]->isChecked());
    EXPECT_FALSE(App->ActiveBench[2]->isEnabled());
    ASSERT_GE(order.size(), 10);
    EXPECT_EQ(order.mid(0, 10), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // Command items hand their code to the dialog.
    Find<QAction>("N16PressureData1")->trigger();
    EXPECT_EQ(App->DialogCommand(), 0x16);
    EXPECT_EQ(spies[7]->Opens, 1);
}

struct CaptionCase {
    const char* Name;
    std::function<void(MainWindowTest&)> Act;
    QString Expected;
};

TEST_F(MainWindowTest, CaptionFollowsTheLogAndTitleTable)
{
    const QString log = Places.InDriveC(QStringLiteral("A.LOG"));
    const CaptionCase cases[] = {
        {"creation", [](MainWindowTest&) {}, kBase},
        {"new file keeps it", [](MainWindowTest& t) { t.NewLog("A.LOG"); }, kBase},
        {"file log on", [](MainWindowTest& t) { t.NewLog("A.LOG"); t.App->Logging->Items[0]->click(); }, kBase + " - " + log},
        {"title, log off", [](MainWindowTest& t) { t.App->Windows().Title->TitleEdit->setText("Rig 7"); t.App->Windows().Title->OKBtn->click(); },
         kBase + ", Rig 7"},
        {"title, log on",
         [](MainWindowTest& t) {
             t.NewLog("A.LOG");
             t.App->Logging->Items[0]->click();
             t.App->Windows().Title->TitleEdit->setText("Rig 7");
             t.App->Windows().Title->OKBtn->click();
         },
         kBase + " - " + log + ", Rig 7"},
        {"log off after a title",
         [](MainWindowTest& t) {
             t.NewLog("A.LOG");
             t.App->Windows().Title->TitleEdit->setText("Rig 7");
             t.App->Windows().Title->OKBtn->click();
             t.App->Logging->Items[0]->click();
             t.App->Logging->Items[1]->click();
         },
         kBase + "Rig 7"},
        {"close file", [](MainWindowTest& t) { t.NewLog("A.LOG"); t.Find<QAction>("CloseFile1")->trigger(); }, kShort},
        {"append", [log](MainWindowTest& t) {
             t.NewLog("A.LOG");
             t.Dialogs.OpenPaths.push_back(log);
             t.Find<QAction>("Appendtofile1")->trigger();
         },
         kShort + " - " + log},
        // A title must not reach the captions set after it, nor be appended to them by the
        // windowing system as the application's display name.
        {"append after a title", [log](MainWindowTest& t) {
             t.App->Windows().Title->TitleEdit->setText("Computer: 7");
             t.App->Windows().Title->OKBtn->click();
             t.NewLog("A.LOG");
             t.Dialogs.OpenPaths.push_back(log);
             t.Find<QAction>("Appendtofile1")->trigger();
         },
         kShort + " - " + log},
        {"close file after a title", [](MainWindowTest& t) {
             t.NewLog("A.LOG");
             t.App->Windows().Title->TitleEdit->setText("Computer: 7");
             t.App->Windows().Title->OKBtn->click();
             t.Find<QAction>("CloseFile1")->trigger();
         },
         kShort},
    };
    const QString displayName = QGuiApplication::applicationDisplayName();
    for (const CaptionCase& c : cases) {
        App.reset();
        QFile::remove(log);
        Create();
        c.Act(*this);
        EXPECT_EQ(App->windowTitle(), c.Expected) << c.Name;
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName) << c.Name;
        EXPECT_TRUE(Messages.Messages.isEmpty()) << c.Name;
    }
}

TEST_F(MainWindowTest, NewFileAsksBeforeReplacingAndAppendKeepsTheFile)
{
    const QString path = NewLog("B.LOG");
    EXPECT_TRUE(App->LogFileOpen());
    EXPECT_TRUE(App->CommentBtn->isEnabled());
    EXPECT_TRUE(App->Logging->isEnabled());
    EXPECT_EQ(Dialogs.InitialDirs.value(0), Places.DriveC);
    EXPECT_EQ(ReadAll(path), QByteArray("MainLogfile ") + path.toLatin1() + " created 14/11/2023\r\n");
    EXPECT_TRUE(Dialogs.Questions.isEmpty());

    // Declining the question keeps the open file untouched.
    Dialogs.Answers.push_back(false);
    NewLog("B.LOG");
    EXPECT_EQ(Dialogs.Questions.size(), 1);
    EXPECT_TRUE(App->LogFileOpen());
    EXPECT_EQ(ReadAll(path).count('\n'), 1);

    Dialogs.OpenPaths.push_back(path);
    Find<QAction>("Appendtofile1")->trigger();
    const QByteArray text = ReadAll(path);
    EXPECT_TRUE(text.startsWith("MainLogfile "));
    EXPECT_TRUE(text.contains("\r\nLogfile " + path.toLatin1() + " opened for appending 14/11/2023 12:00:00\r\n"));

    // Cancelled dialogs change nothing.
    Find<QAction>("NewFile")->trigger();
    Find<QAction>("Appendtofile1")->trigger();
    EXPECT_TRUE(App->LogFileOpen());

    Find<QAction>("CloseFile1")->trigger();
    EXPECT_FALSE(App->LogFileOpen());
    EXPECT_FALSE(App->CommentBtn->isEnabled());
    EXPECT_FALSE(App->Logging->isEnabled());
}

TEST_F(MainWindowTest, UnwritableLogFileIsReported)
{
    Dialogs.SavePaths.push_back(Places.InDriveC(QStringLiteral("no/such/folder/C.LOG")));
    Find<QAction>("NewFile")->trigger();
    EXPECT_FALSE(App->LogFileOpen());
    EXPECT_FALSE(App->CommentBtn->isEnabled());
    ASSERT_EQ(Messages.Messages.size(), 1);
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(Messages.Messages[0].Text, QStringLiteral("Problem with log file!"));
}

TEST_F(MainWindowTest, CommentBlockGoesToTheLog)
{
    const QString path = NewLog("D.LOG");
    CommentDialog* dialog = App->Windows().Comment;
    // Answer the modal dialog as soon as it runs.
    QTimer::singleShot(0, dialog, [dialog] { dialog->OKBtn->click(); });
    App->CommentBtn->click();
    dialog->CommentEdit->setPlainText(QStringLiteral("first\nsecond"));
    QTimer::singleShot(0, dialog, [dialog] { dialog->OKBtn->click(); });
    App->CommentBtn->click();
    QTimer::singleShot(0, dialog, [dialog] { dialog->CancelBtn->click(); });
    App->CommentBtn->click();
    const QByteArray expected = "MainLogfile " + path.toLatin1() + " created 14/11/2023\r\n"
                                "\r\n\r\n14/11/2023 12:00:00\r\n \r\n"
                                "\r\n\r\n14/11/2023 12:00:00\r\nfirst\r\nsecond\r\n";
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(dialog->CommentEdit->toPlainText(), QStringLiteral("first\nsecond")) << "the memo keeps its text";
}

TEST_F(MainWindowTest, StartAndStopFollowTheLogState)
{
    // File Log On is refused without a file, Start too.
    App->Logging->setEnabled(true);
    App->Logging->Items[0]->click();
    EXPECT_EQ(Messages.Texts(), QStringList{"You must open a LogFile!"});
    App->StartBtn->click();
    EXPECT_EQ(Messages.Texts().size(), 2);
    EXPECT_FALSE(App->Collecting);

    App->Logging->Items[1]->click();
    App->StartBtn->click(); // no bench: buttons change, nothing is sent
    EXPECT_TRUE(App->Collecting);
    EXPECT_FALSE(App->StartBtn->isEnabled());
    EXPECT_TRUE(App->StopBtn->isEnabled());
    // A settings change halts the rows without a request.
    App->GasConcentration->click();
    EXPECT_FALSE(App->Collecting);
    EXPECT_TRUE(App->StartBtn->isEnabled());
    EXPECT_FALSE(App->StopBtn->isEnabled());

    // Stop writes a bare line end to an open log, also with File Log Off; Start with File Log On the header.
    const QString path = NewLog("E.LOG");
    App->StartBtn->click();
    App->StopBtn->click();
    App->Logging->Items[0]->click();
    App->StartBtn->click();
    App->StopBtn->click();
    // Stop, then the Stop of the File Log change, then the header and the last Stop.
    const QByteArray expected = "MainLogfile " + path.toLatin1() + " created 14/11/2023\r\n\r\n\r\n"
                                + QByteArray(" \r\n") + "\r\n";
    EXPECT_EQ(ReadAll(path), expected) << "no open bench: the header line is empty and written as one blank";
}

TEST_F(MainWindowTest, OnlyAChangeOfChoiceInARadioGroupActs)
{
    // Every radio group of the window, by mouse click and by the space key: the item already
    // chosen raises nothing, another item raises its index once.
    const QList<RadioGroup*> groups = App->findChildren<RadioGroup*>();
    ASSERT_GE(groups.size(), 7);
    for (RadioGroup* g : groups) {
        g->setEnabled(true);
        QSignalSpy clicks(g, &RadioGroup::Click);
        for (bool byKey : {false, true}) {
            const int chosen = g->ItemIndex();
            ASSERT_GE(chosen, 0) << g->objectName().toStdString();
            const auto press = [byKey](QRadioButton* b) { byKey ? QTest::keyClick(b, Qt::Key_Space) : b->click(); };
            press(g->Items[chosen]);
            EXPECT_EQ(clicks.size(), 0) << g->objectName().toStdString() << (byKey ? " key" : " click");
            const int other = (chosen + 1) % int(g->Items.size());
            press(g->Items[other]);
            ASSERT_EQ(clicks.size(), 1) << g->objectName().toStdString() << (byKey ? " key" : " click");
            EXPECT_EQ(clicks.takeFirst().at(0).toInt(), other);
        }
    }
}

TEST_F(MainWindowTest, ChosenFileLogItemClickedAgainKeepsCollectingAndLogging)
{
    const QString path = NewLog("R.LOG");
    App->Logging->Items[0]->click();
    App->StartBtn->click();
    ASSERT_TRUE(App->Collecting);
    const QByteArray logged = ReadAll(path);
    // "On" while On, then the chosen items of the other groups that stop collection on a change.
    for (QRadioButton* chosen : {App->Logging->Items[0], App->HCMode->Items[0], App->HCDivisorRadioGroup->Items[0]}) {
        chosen->click();
        EXPECT_TRUE(App->Collecting) << chosen->objectName().toStdString();
        EXPECT_TRUE(App->StopBtn->isEnabled()) << chosen->objectName().toStdString();
    }
    EXPECT_EQ(ReadAll(path), logged) << "no stop line written";
    App->HCMode->Items[1]->click(); // a real change still stops
    EXPECT_FALSE(App->Collecting);
}

TEST_F(MainWindowTest, OkAppliesSettingsAndRejectsANonIntegerCount)
{
    struct Case {
        const char* Text;
        int Samples;
        const char* Shown;
        bool Message;
    } cases[] = {
        {"12", 12, "12", false},
        {"x1", 12, "12", true},
        {"-3", 12, "12", true},
        {"", 12, "12", true},
        {"99999", 99999, "99999", false},
        {" 7", 0, "0", false},
    };
    App->AveragingRadioGroup->Items[2]->click();
    App->CompDataRG->Items[1]->click();
    for (const Case& c : cases) {
        Messages.Messages.clear();
        App->AverageEdit->setText(QString::fromLatin1(c.Text));
        App->OKBtn->click();
        EXPECT_EQ(App->SamplesPerBlock, c.Samples) << c.Text;
        EXPECT_EQ(App->AverageEdit->text(), QString::fromLatin1(c.Shown)) << c.Text;
        EXPECT_EQ(Messages.Messages.size(), c.Message ? 1 : 0) << c.Text;
    }
    EXPECT_EQ(App->AveragingMode, 2);
    EXPECT_EQ(App->Acquisition().DataCommandSelection, 1);
    EXPECT_FALSE(App->StopBtn->isEnabled());
    EXPECT_TRUE(App->StartBtn->isEnabled());
}

TEST_F(MainWindowTest, EnterPressesOkOrTheFocusedButton)
{
    App->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(App.get()));
    // In the number of samples (and any control that leaves Enter alone) it is OK's.
    App->AverageEdit->setFocus();
    App->AverageEdit->setText(QStringLiteral("6"));
    QTest::keyClick(App->AverageEdit, Qt::Key_Return);
    EXPECT_EQ(App->SamplesPerBlock, 6);
    App->AverageEdit->setText(QStringLiteral("7"));
    QTest::keyClick(App->AverageEdit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(App->SamplesPerBlock, 7);
    // On a focused button it presses that button.
    App->StartBtn->setFocus();
    App->AverageEdit->setText(QStringLiteral("8"));
    QTest::keyClick(App->StartBtn, Qt::Key_Return);
    EXPECT_TRUE(App->Collecting);
    EXPECT_EQ(App->SamplesPerBlock, 7);
}

TEST_F(MainWindowTest, HistoryShowsTheLogCopyOrReportsAMissingFile)
{
    App->HistoryBtnClick();
    EXPECT_EQ(Messages.Texts(), QStringList{"File History Open Failed!"});
    EXPECT_TRUE(App->Windows().History->isHidden());

    Messages.Messages.clear();
    const QString path = NewLog("F.LOG");
    App->HistoryBtnClick();
    EXPECT_TRUE(Messages.Messages.isEmpty()) << Messages.Texts().join('|').toStdString();
    EXPECT_FALSE(App->Windows().History->isHidden());
    ASSERT_EQ(App->Windows().History->HistoryList->count(), 1);
    EXPECT_EQ(App->Windows().History->HistoryList->item(0)->text(), "MainLogfile " + path + " created 14/11/2023");
    EXPECT_TRUE(App->LogFileOpen()) << "the log is reopened for appending";
}

TEST_F(MainWindowTest, PrintWindowPrintsAtOnceOnThePrinterThatSetupChose)
{
    // The window's own printer writes a file here, so nothing reaches a real printer.
    const QString first = Places.InDriveC(QStringLiteral("first.pdf"));
    App->Printer().setOutputFormat(QPrinter::PdfFormat);
    App->Printer().setOutputFileName(first);
    Find<QAction>("PrintForm1")->trigger();
    EXPECT_TRUE(Dialogs.SetupPrinters.isEmpty()); // no dialog in the way
    EXPECT_TRUE(ReadAll(first).startsWith("%PDF"));

    // Setup works on that same printer: what the user chooses there is where the next print goes.
    const QString chosen = Places.InDriveC(QStringLiteral("chosen.pdf"));
    Dialogs.SetUpPrinter = [&](QPrinter& p) { p.setOutputFileName(chosen); };
    Find<QAction>("PrinterSetup1")->trigger();
    ASSERT_EQ(Dialogs.SetupPrinters.size(), 1);
    EXPECT_EQ(Dialogs.SetupPrinters[0], &App->Printer());
    EXPECT_FALSE(QFile::exists(chosen)); // setting up prints nothing
    Find<QAction>("PrintForm1")->trigger();
    EXPECT_TRUE(ReadAll(chosen).startsWith("%PDF"));
    EXPECT_TRUE(Messages.Messages.isEmpty());
}

TEST_F(MainWindowTest, ShowingClearsClosingAndHelpCallsTheHook)
{
    int context = 0;
    App->Windows().ShowHelp = [&](int c) { context = c; };
    Find<QAction>("GeneralHelp2")->trigger();
    EXPECT_EQ(context, 1);
    App->show();
    EXPECT_FALSE(App->Closing());
    App->close();
    EXPECT_TRUE(App->Closing());
    EXPECT_TRUE(App->Windows().Message->isHidden());
    EXPECT_EQ(App->Windows().Message->MessageText->toPlainText(), QStringLiteral("Wait! Application is closing..."));
}

TEST_F(MainWindowTest, SoftResetUnticksEveryBenchAndWarns)
{
    App->SoftResetDisconnect();
    ASSERT_EQ(Messages.Messages.size(), 1);
    EXPECT_EQ(Messages.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Messages.Messages[0].Text,
              QStringLiteral("Multi Gas Monitor Kestrel has been disconnected\nPlease reselect a COM port for the Kestrel"));
    for (QCheckBox* box : App->ActiveBench)
        EXPECT_FALSE(box->isChecked());
}

TEST_F(MainWindowTest, StatusEditShowsLinkStatusInRedOnError)
{
    App->StatusShown(1, "Data / Status Timeout", true);
    EXPECT_EQ(App->AckNakEdit[1]->text(), QStringLiteral("Data / Status Timeout"));
    EXPECT_EQ(App->AckNakEdit[1]->palette().color(QPalette::Text), QColor(255, 0, 0));
    App->StatusShown(1, "Data / Status ACK", false);
    EXPECT_EQ(App->AckNakEdit[1]->palette().color(QPalette::Text), QColor(0, 0, 0));
    // A NAK text longer than the edit shows its start.
    App->StatusShown(1, "Pump Control  NAK  : Not Allowed at this time", true);
    EXPECT_EQ(App->AckNakEdit[1]->cursorPosition(), 0);
}

TEST_F(MainWindowTest, CommsDialogLabelFeedsBenchOneLabel)
{
    emit App->Windows().CommSettings->PortLabelChanged(QStringLiteral("Com 3"));
    EXPECT_EQ(App->ComLabel[0]->text(), QStringLiteral("Com 3"));
}

} // namespace
