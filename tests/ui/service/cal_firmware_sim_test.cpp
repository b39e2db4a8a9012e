// The calibration and firmware windows against a simulated bench over a pty:
// the windows, the parameter editor, the link and the serial port as the
// program runs them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <deque>
#include <random>

#include "ui/common/bench_buttons.h"
#include "support/cal_fixture.h"
#include "link/com_port.h"
#include "support/fake_host.h"
#include "ui/service/calibration_window.h"
#include "ui/service/parameter_editor.h"
#include "ui/service/firmware_upgrade_window.h"
#include "support/pty_fixture.h"
#include "scripted_service_dialogs.h"
#include "sim/sim_server.h"
#include "link/ticks.h"

namespace {

class CalFirmwareSimTest : public ::testing::Test {
protected:
    DevicesFolder Devices;
    QTemporaryDir Dir;
    std::unique_ptr<sim::SimServer> Server;
    std::unique_ptr<ComPort> Port;
    FakeHost Host;
    ScriptedServiceDialogs Dialogs;
    std::unique_ptr<ParameterEditor> Editor;
    std::unique_ptr<CalibrationWindow> Cal;
    std::unique_ptr<FirmwareUpgradeWindow> Upgrade;
    QStringList CalTexts; // every text the status edit showed
    QElapsedTimer Clock;

    void SetUp() override
    {
        qputenv("HALYARD_DRIVE_C", Dir.filePath(QStringLiteral("drive_c")).toLocal8Bit());
        Clock.start();
        Ticks::SetClock([this] { return Clock.elapsed(); });
        sim::SimServerConfig config;
        config.devicesDir = Devices.Path();
        config.benches = 1;
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << qPrintable(error);
        Port = std::make_unique<ComPort>(1);
        ASSERT_TRUE(Port->Open()) << qPrintable(Port->LastError());
        Host.TheLink.Benches[0].Setup(Port.get());
        QObject::connect(Port.get(), &ComPort::DataAvailable, [this](ComPort*) { Host.TheLink.PortDataAvailable(0); });
        Host.SwitchedOn = {true, false, false, false};
        Host.TheLink.SetSwitches(&Host);

        Editor = std::make_unique<ParameterEditor>(Host, Dir.filePath(QStringLiteral("ParamLst.c")));
        Cal = std::make_unique<CalibrationWindow>(Host, Editor.get());
        Cal->Dialogs = &Dialogs;
        Cal->TimerPercent = 2; // replies drive the steps; the timers only pace the ones without a request
        Cal->Machine().TracePath = Dir.filePath(QStringLiteral("tryfile.txt")).toStdString();
        QObject::connect(Cal->StateEdit, &QLineEdit::textChanged, [this](const QString& t) { CalTexts << t; });
        Upgrade = std::make_unique<FirmwareUpgradeWindow>(Host);
        Upgrade->Dialogs = &Dialogs;
        Editor->UpdateBenchSelection();
        Cal->UpdateBenchSelection();
        Upgrade->UpdateBenchSelection();
    }
    void TearDown() override
    {
        Upgrade.reset();
        Cal.reset();
        Editor.reset();
        if (Port)
            Port->Close();
        if (Server)
            Server->Stop();
        Ticks::SetClock({});
        qunsetenv("HALYARD_DRIVE_C");
    }

    sim::SimBench& Bench() { return Server->Link(0)->Bench(); }
    QString File(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // Chooses the file with the window's button, then runs one procedure to its end.
    QString RunCal(bool load, const QString& path)
    {
        Cal->SetLoadMode(load);
        Cal->show();
        Dialogs.Paths.push_back(path);
        Cal->OpenButton[0]->click();
        CalTexts.clear();
        Cal->OKBtn->click();
        EXPECT_TRUE(WaitFor([this] { return !Cal->Machine().Running(); }, 60000)) << qPrintable(Cal->StateEdit->text());
        return Cal->StateEdit->text();
    }
    QString RunUpgrade(const QString& path)
    {
        Upgrade->show();
        Dialogs.Paths.push_back(path);
        Upgrade->StartBtn->click();
        EXPECT_TRUE(WaitFor([this] { return !Upgrade->Machine().Busy(); }, 60000));
        return Upgrade->Success->isVisible() ? QStringLiteral("Success") : Host.Sink.Texts().join('|');
    }
};

TEST_F(CalFirmwareSimTest, LoadCheckAndMismatchThroughTheWindow)
{
    sim::SimParameterStore& store = Bench().Parameters();
    store.SetNormalise(false); // so each parameter holds exactly the text the procedure wrote
    const sim::SimParameterStore before = store;
    const CalFileContent c = CalFileContent::Sample();
    const QString calPath = File(QStringLiteral("bench.CAL"), QByteArray::fromStdString(c.Text(true)));

    EXPECT_EQ(RunCal(true, calPath), QStringLiteral("Download Successful, Kestrel 1"));
    EXPECT_EQ(Cal->windowTitle(), QStringLiteral("Load Calibration Parameters"));
    EXPECT_EQ(Cal->FileEdit[0]->text(), QStringLiteral("bench.CAL"));
    const auto expected = c.Expected();
    for (int n = 0; n < sim::SimParameterStore::kCount; ++n) {
        if (expected.count(n)) {
            EXPECT_EQ(store.Ram(n), expected.at(n)) << n;
            EXPECT_EQ(store.Flash(n), expected.at(n)) << n;
        } else {
            EXPECT_EQ(store.Ram(n), before.Ram(n)) << n;
            EXPECT_EQ(store.Flash(n), before.Flash(n)) << n;
        }
    }

    const int writes = Bench().RepliesSent(0x48);
    EXPECT_EQ(RunCal(false, calPath), QStringLiteral("Check Successful, Kestrel 1"));
    EXPECT_EQ(Cal->windowTitle(), QStringLiteral("Check Calibration Parameters"));
    EXPECT_EQ(Bench().RepliesSent(0x48), writes); // a check writes nothing

    CalFileContent changed = c;
    changed.Records[260][7] = "7.5e-01";
    const QString changedPath = File(QStringLiteral("changed.CAL"), QByteArray::fromStdString(changed.Text(false)));
    EXPECT_EQ(RunCal(false, changedPath), QStringLiteral("Error, Bench 1"));
    EXPECT_TRUE(CalTexts.contains(QStringLiteral("Error")));
}

// The menu items "Load Cal Constants" and "Check Cal Constants" set the mode of the window:
// while a procedure runs, the other mode's item must not change it, or the rest of a load
// would be compared but never written (or a check would start writing).
TEST_F(CalFirmwareSimTest, OtherModesMenuItemLeavesARunningProcedureAlone)
{
    sim::SimParameterStore& store = Bench().Parameters();
    store.SetNormalise(false);
    const CalFileContent c = CalFileContent::Sample();
    const QString calPath = File(QStringLiteral("bench.CAL"), QByteArray::fromStdString(c.Text(false)));
    Dialogs.Paths.push_back(calPath);
    Cal->OpenButton[0]->click();
    Cal->show();
    struct Case {
        bool Load;
        const char* Title;
        const char* Result;
    };
    for (const Case& k : {Case{true, "Load Calibration Parameters", "Download Successful, Kestrel 1"},
                          Case{false, "Check Calibration Parameters", "Check Successful, Kestrel 1"}}) {
        Cal->SetLoadMode(k.Load);
        const int writesBefore = Bench().RepliesSent(0x48);
        const int loadsBefore = Bench().RepliesSent(0x55);
        Cal->OKBtn->click();
        ASSERT_TRUE(WaitFor([&] { return Bench().RepliesSent(0x55) > loadsBefore + 2; })) << k.Title;
        Cal->SetLoadMode(!k.Load);
        EXPECT_EQ(Cal->Machine().LoadMode, k.Load) << k.Title;
        EXPECT_EQ(Cal->windowTitle(), QString::fromLatin1(k.Title));
        ASSERT_TRUE(WaitFor([this] { return !Cal->Machine().Running(); }, 60000)) << k.Title;
        EXPECT_EQ(Cal->StateEdit->text(), QString::fromLatin1(k.Result));
        EXPECT_EQ(Bench().RepliesSent(0x48) - writesBefore, k.Load ? 42 : 0) << k.Title;
    }
    for (const auto& [n, text] : c.Expected())
        EXPECT_EQ(store.Flash(n), text) << n;
    // Once the procedure has ended the menu items choose the mode again.
    Cal->SetLoadMode(true);
    EXPECT_TRUE(Cal->Machine().LoadMode);
    EXPECT_EQ(Cal->windowTitle(), QStringLiteral("Load Calibration Parameters"));
}

TEST_F(CalFirmwareSimTest, NakDuringLoadStopsAtTheRefusedRequest)
{
    Bench().Faults().nakParameter[133] = 0x02;
    const QString path = File(QStringLiteral("bench.CAL"), QByteArray::fromStdString(CalFileContent::Sample().Text(false)));
    EXPECT_EQ(RunCal(true, path), QStringLiteral("Error, Bench 1"));
    EXPECT_TRUE(CalTexts.contains(QStringLiteral("NAK Error"))) << qPrintable(CalTexts.join('|'));
    SpinFor(200); // nothing more goes out after the refusal
    const auto& requests = Bench().Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().code, 0x48);
    EXPECT_EQ((requests.back().data[0] << 8) | requests.back().data[1], 133);
}

// Firmware images made by srec_cat from a binary, in both record kinds.
TEST_F(CalFirmwareSimTest, FirmwareFromSrecCatLandsInTheBenchByteForByte)
{
    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    ASSERT_FALSE(srecCat.isEmpty()) << "srec_cat (Debian package srecord) is needed; scripts/deps.sh installs it";
    QByteArray binary(6 * 1024 + 37, '\0');
    std::mt19937 rng(5);
    for (char& b : binary)
        b = char(rng());
    const QString binPath = File(QStringLiteral("fw.bin"), binary);
    for (const char* length : {"3", "4"}) {
        const QString out = Dir.filePath(QStringLiteral("fw%1.s19").arg(QLatin1String(length)));
        QProcess p;
        p.start(srecCat, {binPath, QStringLiteral("-binary"), QStringLiteral("-offset"), QStringLiteral("0x8000"),
                          QStringLiteral("-o"), out, QStringLiteral("-motorola"),
                          QStringLiteral("-address-length=%1").arg(QLatin1String(length))});
        ASSERT_TRUE(p.waitForFinished(20000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

        EXPECT_EQ(RunUpgrade(out), QStringLiteral("Success")) << length;
        ASSERT_TRUE(WaitFor([this] { return Bench().Flash().Resets() > 0; }));
        uint32_t first = 0;
        const std::vector<uint8_t> image = Bench().Flash().ImageBytes(&first);
        EXPECT_EQ(first, 0x8000u);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())), binary) << length;
        EXPECT_EQ(Upgrade->ProgressGauge->value(), 100);
        EXPECT_EQ(Upgrade->RangeText->text(), QStringLiteral("00008000-%1").arg(0x8000 + binary.size() - 1, 8, 16, QLatin1Char('0')).toUpper());
        EXPECT_TRUE(Host.Sink.Shown.empty());
        Upgrade->close();
        Bench().ClearLogs();
    }
}

TEST_F(CalFirmwareSimTest, RefusedWriteEndsTheDownload)
{
    std::string records;
    for (int i = 0; i < 12; ++i) {
        // 4 data bytes per record at 0x10 * i; checksums worked out here byte by byte.
        const int a = 0x10 * i;
        const int bytes[] = {0x08, 0x00, 0x00, a, 0xDE, 0xAD, 0xBE, 0xEF};
        int sum = 0;
        char line[40];
        int at = std::snprintf(line, sizeof line, "S2");
        for (int b : bytes) {
            sum += b;
            at += std::snprintf(line + at, sizeof line - size_t(at), "%02X", b);
        }
        std::snprintf(line + at, sizeof line - size_t(at), "%02X\n", 0xFF - (sum & 0xFF));
        records += line;
    }
    Bench().Faults().flash.nakWriteNumber = 5;
    const QString result = RunUpgrade(File(QStringLiteral("fw.s19"), QByteArray::fromStdString(records)));
    EXPECT_EQ(result, QStringLiteral("Flash Write Failure, NAK"));
    ASSERT_TRUE(WaitFor([this] { return Bench().Flash().EndDownloads() == 1; }));
    EXPECT_FALSE(Bench().BootMode());
    EXPECT_EQ(Bench().Flash().WritesReceived(), 5);
    EXPECT_EQ(Bench().Flash().Resets(), 0);
    EXPECT_TRUE(Upgrade->StartBtn->isEnabled());
    EXPECT_FALSE(Upgrade->Success->isVisible());

    // A lost reply leaves the download waiting; Cancel ends it and takes the bench out of
    // download mode with one End Flash Download.
    Bench().Faults().flash.nakWriteNumber = 0;
    Bench().Faults().flash.dropWriteNumber = 3;
    Host.Sink.Shown.clear();
    Upgrade->show();
    Dialogs.Paths.push_back(Dir.filePath(QStringLiteral("fw.s19")));
    Upgrade->StartBtn->click();
    ASSERT_TRUE(WaitFor([this] { return Bench().Flash().WritesReceived() == 3; }));
    SpinFor(100);
    EXPECT_TRUE(Upgrade->Machine().Busy());
    EXPECT_TRUE(Bench().BootMode());
    const size_t requests = Bench().Requests().size();
    Upgrade->CancelBtn->click();
    ASSERT_TRUE(WaitFor([this] { return Bench().Flash().EndDownloads() == 2; }));
    SpinFor(100);
    EXPECT_EQ(Bench().Requests().size(), requests + 1);
    EXPECT_FALSE(Bench().BootMode());
    EXPECT_FALSE(Upgrade->Machine().Busy());
    EXPECT_TRUE(Upgrade->StartBtn->isEnabled());
    EXPECT_FALSE(Upgrade->isVisible());
    EXPECT_EQ(Host.Sink.Texts(), QStringList{QStringLiteral("Download aborted")});
}

TEST_F(CalFirmwareSimTest, StartRefusals)
{
    Upgrade->show();
    Upgrade->StartBtn->click(); // no file chosen
    Host.SwitchedOn = {false, false, false, false};
    Upgrade->UpdateBenchSelection();
    Upgrade->StartBtn->click();
    EXPECT_EQ(Host.Sink.Texts(), (QStringList{QStringLiteral("No File Selected"), QStringLiteral("No Active Benvhes")}));
    EXPECT_TRUE(Bench().Requests().empty());

    // A damaged file is refused before the bench hears of it.
    Host.SwitchedOn = {true, false, false, false};
    Upgrade->UpdateBenchSelection();
    Host.Sink.Shown.clear();
    const QString result = RunUpgrade(File(QStringLiteral("bad.s19"), "S2080000100A0B0C0DB9\nS2080000140A0B0C0DB9\n"));
    EXPECT_EQ(result, QStringLiteral("Invalid data in Hex file, line 2: wrong checksum B9 (B5 expected)"));
    SpinFor(100);
    EXPECT_TRUE(Bench().Requests().empty());
    EXPECT_FALSE(Bench().BootMode());
    EXPECT_TRUE(Upgrade->StartBtn->isEnabled());
}

} // namespace
