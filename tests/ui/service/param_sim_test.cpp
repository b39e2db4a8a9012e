// The parameter editor and the upload/download window against two simulated
// benches over ptys: the windows, the link and the serial ports as the program
// runs them, with the main window's poll tick played by the test.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
#include <deque>

#include "ui/common/bench_buttons.h"
#include "ui/service/parameter_transfer_window.h"
#include "link/com_port.h"
#include "support/fake_host.h"
#include "ui/service/parameter_editor.h"
#include "support/pty_fixture.h"
#include "scripted_service_dialogs.h"
#include "sim/sim_server.h"
#include "link/ticks.h"

namespace {

class ParamSimTest : public ::testing::Test {
protected:
    DevicesFolder Devices;
    QTemporaryDir Dir;
    std::unique_ptr<sim::SimServer> Server;
    std::array<std::unique_ptr<ComPort>, 2> Ports;
    FakeHost Host;
    ScriptedServiceDialogs Dialogs;
    std::unique_ptr<ParameterEditor> Editor;
    std::unique_ptr<ParameterTransferWindow> Window;
    QElapsedTimer Clock;
    int64_t OffsetMs = 0;

    void SetUp() override
    {
        qputenv("HALYARD_DRIVE_C", Dir.filePath(QStringLiteral("drive_c")).toLocal8Bit());
        Clock.start();
        Ticks::SetClock([this] { return Clock.elapsed() + OffsetMs; });
        sim::SimServerConfig config;
        config.devicesDir = Devices.Path();
        config.benches = 2;
        Configure(config);
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << qPrintable(error);
        for (int k = 0; k < 2; ++k) {
            Ports[k] = std::make_unique<ComPort>(k + 1);
            ASSERT_TRUE(Ports[k]->Open()) << qPrintable(Ports[k]->LastError());
            Host.TheLink.Benches[k].Setup(Ports[k].get());
            QObject::connect(Ports[k].get(), &ComPort::DataAvailable, [this, k](ComPort*) { Host.TheLink.PortDataAvailable(k); });
        }
        Host.SwitchedOn = {true, true, false, false};
        Host.TheLink.SetSwitches(&Host);

        Editor = std::make_unique<ParameterEditor>(Host, Dir.filePath(QStringLiteral("ParamLst.c")));
        Window = std::make_unique<ParameterTransferWindow>(Host, Editor.get());
        Window->Dialogs = &Dialogs;
        Window->Transfer().TimerMs = 1; // the 100 ms pace is not what is tested here
        Window->Transfer().TracePath = Dir.filePath(QStringLiteral("tryfile.txt"));
        Editor->UpdateBenchSelection();
        Window->UpdateBenchSelection();
        Window->show();
    }
    virtual void Configure(sim::SimServerConfig&) {}
    void TearDown() override
    {
        Window.reset();
        Editor.reset();
        for (auto& p : Ports)
            if (p)
                p->Close();
        if (Server)
            Server->Stop();
        Ticks::SetClock({});
        qunsetenv("HALYARD_DRIVE_C");
    }

    sim::SimBench& Bench(int k) { return Server->Link(k)->Bench(); }
    QString File(const char* name) { return Dir.filePath(QString::fromLatin1(name)); }
    QString State() { return Window->StateEdit->text(); }
    bool Running() { return !Window->OKBtn->isEnabled(); }
    void OnlyBench(int k)
    {
        for (int i = 0; i < 4; ++i)
            Window->BB[i]->setChecked(i == k && Window->BB[i]->isEnabled());
    }
    void StartUpload(int k, const QString& file, const char* last)
    {
        OnlyBench(k);
        Window->FileEdit[k]->setText(file);
        Window->NumParamEdit->setText(QString::fromLatin1(last));
        Window->UploadRadio->setChecked(true);
        Window->OKBtn->click();
    }
    void StartDownload(int k, const QString& file)
    {
        OnlyBench(k);
        Dialogs.Paths.push_back(file);
        Window->OpenButton[k]->click();
        Window->DownloadRadio->setChecked(true);
        Window->OKBtn->click();
    }
    bool WaitForEnd(int ms) { return WaitFor([this] { return !Running(); }, ms); }
    void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(ParamSimTest, EditorReadsWritesStoresAndLoadsOneParameter)
{
    Editor->BenchGroup->BB[0]->click();
    ASSERT_EQ(Editor->SelectedBench(), 0);
    sim::SimParameterStore& p = Bench(0).Parameters();
    const std::string flashBefore = p.Flash(12);

    Editor->ParamNumberEdit->setText(QStringLiteral("12"));
    Editor->ValueText->setPlainText(QStringLiteral("4.250"));
    Editor->WriteBtn->click();
    ASSERT_TRUE(WaitFor([&] { return p.Ram(12) == "4.25"; }));
    EXPECT_EQ(p.Flash(12), flashBefore);
    ASSERT_TRUE(WaitFor([&] { return Editor->StoreBtn->isEnabled() == Editor->FlashStoreAllowed; }));

    Editor->StoreBtn->setEnabled(true);
    Editor->StoreBtn->click();
    ASSERT_TRUE(WaitFor([&] { return p.Flash(12) == "4.25"; }));

    Editor->ValueText->setPlainText(QStringLiteral("9"));
    Editor->WriteBtn->click();
    ASSERT_TRUE(WaitFor([&] { return p.Ram(12) == "9"; }));

    // Load brings flash back into RAM and the editor reads it back on its own.
    Editor->LoadBtn->click();
    ASSERT_TRUE(WaitFor([&] { return Editor->ValueText->toPlainText() == QStringLiteral("4.25"); }));
    EXPECT_EQ(p.Ram(12), "4.25");

    Editor->ReadButton->click();
    EXPECT_TRUE(Editor->ValueText->toPlainText().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return Editor->ValueText->toPlainText() == QStringLiteral("4.25"); }));
    EXPECT_EQ(Editor->LastParamText(), QByteArray("4.25"));
}

TEST_F(ParamSimTest, UploadOneBenchAndDownloadItIntoAnother)
{
    ASSERT_NE(Bench(0).Parameters().FlashImage(), Bench(1).Parameters().FlashImage());
    StartUpload(0, File("bench1.CAL"), "abc");
    EXPECT_EQ(Window->NumParamEdit->text(), QStringLiteral("400"));
    EXPECT_EQ(State(), QStringLiteral("Upload in progress"));
    ASSERT_TRUE(WaitForEnd(120000)) << qPrintable(State());
    EXPECT_EQ(State(), QStringLiteral(" Successful  Upload"));

    StartDownload(1, File("bench1.CAL"));
    EXPECT_EQ(Window->FileEdit[1]->text(), QStringLiteral("bench1.CAL"));
    ASSERT_TRUE(WaitForEnd(240000)) << qPrintable(State());
    EXPECT_EQ(State(), QStringLiteral(" Successful  Download"));
    EXPECT_EQ(Bench(1).Parameters().FlashImage(), Bench(0).Parameters().FlashImage());
}

TEST_F(ParamSimTest, ReadBackThatDiffersEndsTheDownload)
{
    WriteFile(File("in.CAL"), "// 5 P \n  1.50 \n");
    StartDownload(0, File("in.CAL"));
    ASSERT_TRUE(WaitForEnd(20000)) << qPrintable(State());
    EXPECT_EQ(State(), QStringLiteral("Error  Download Fail 1 Param write != Param Read "));
    EXPECT_EQ(Bench(0).RepliesSent(0x54), 0);
}

TEST_F(ParamSimTest, RefusalReasonTwoIsSkippedAndReasonOneStops)
{
    Bench(0).Faults().nakParameter[7] = 2;
    StartUpload(0, File("b.CAL"), "10");
    ASSERT_TRUE(WaitForEnd(20000)) << qPrintable(State());
    EXPECT_EQ(State(), QStringLiteral(" Successful  Upload"));
    QFile f(File("b.CAL"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("// 6 "));
    EXPECT_FALSE(text.contains("// 7 "));
    EXPECT_TRUE(text.contains("// 8 "));
    EXPECT_TRUE(text.contains("// 10 "));
    f.close();

    Bench(0).Faults().nakParameter[3] = 1;
    Dialogs.Answers = {true};
    StartUpload(0, File("b.CAL"), "10");
    ASSERT_TRUE(WaitForEnd(20000)) << qPrintable(State());
    EXPECT_EQ(State(), QStringLiteral("Error  Upload Fail 1 Nak command $ 55 01"));
    EXPECT_EQ(Dialogs.Questions, QStringList{QStringLiteral("File Exists! Overwrite?")});
}

TEST_F(ParamSimTest, BenchThatStopsAnsweringTimesOut)
{
    // Answers the load of parameter 0 and the editor's read-back of it; the procedure's own read goes unanswered.
    Bench(0).Faults().silentFromParamRequest = 3;
    StartUpload(0, File("b.CAL"), "10");
    ASSERT_TRUE(WaitFor([this] { return Bench(0).ParameterRequests() >= 3; }));
    // The main window's poll tick, with the link clock moved past each request's reply time.
    for (int i = 0; i < 30 && Running(); ++i) {
        OffsetMs += 2100;
        Host.TheLink.CheckReplyTimeouts();
        SpinFor(20);
    }
    EXPECT_EQ(State(), QStringLiteral("Error  Upload Fail 1 Timeout command $ 49"));
    EXPECT_EQ(Bench(0).ParameterRequests(), 2 + 11) << "the read tried eleven times, then nothing more";
}

TEST_F(ParamSimTest, OverwriteAnsweredNoKeepsTheFile)
{
    WriteFile(File("b.CAL"), "keep");
    Dialogs.Answers = {false};
    StartUpload(0, File("b.CAL"), "10");
    ASSERT_TRUE(WaitForEnd(5000));
    EXPECT_EQ(State(), QStringLiteral("Aborted  Upload"));
    QFile f(File("b.CAL"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("keep"));
    EXPECT_EQ(Bench(0).ParameterRequests(), 0);
}

// Not a timed test: run by hand (--gtest_also_run_disabled_tests) to see what a
// whole-bench upload costs at the benches' own line rate, against the bytes on the wire.
class ParamSimLineRateTest : public ParamSimTest {
protected:
    void Configure(sim::SimServerConfig& config) override { config.bench.baud = 19200; }
};

TEST_F(ParamSimLineRateTest, DISABLED_WholeBenchUploadAt19200Baud)
{
    for (int timerMs : {ParamTransfer::kTimerMs, 1}) {
        Bench(0).ClearLogs();
        Bench(1).ClearLogs();
        Window->Transfer().TimerMs = timerMs;
        Dialogs.Answers = {true};
        QElapsedTimer run;
        run.start();
        StartUpload(0, File("whole.CAL"), "400");
        ASSERT_TRUE(WaitForEnd(600000)) << qPrintable(State());
        const double seconds = double(run.elapsed()) / 1000.0;
        ASSERT_EQ(State(), QStringLiteral(" Successful  Upload"));
        // Bench 1's own traffic; the editor's read-back goes to the bench chosen there.
        size_t bytes = 0;
        for (const sim::SimRequestRecord& r : Bench(0).Requests())
            bytes += 4 + r.data.size(); // start, length, code, data, checksum
        for (const sim::SimReplyRecord& r : Bench(0).Replies())
            bytes += r.frame.size();
        for (const sim::SimRequestRecord& r : Bench(1).Requests())
            bytes += 4 + r.data.size();
        for (const sim::SimReplyRecord& r : Bench(1).Replies())
            bytes += r.frame.size();
        std::printf("step timer %d ms: %.1f s for 401 parameters, %zu bytes on the wire = %.1f s at 19200 baud\n", timerMs,
                    seconds, bytes, double(bytes) * 10.0 / 19200.0);
    }
}

} // namespace
