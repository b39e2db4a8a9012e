// halyard-service as a program against simulated benches over ptys: several benches served at
// once, each with its own result; a refusing bench named in the summary while the others go on;
// parameter sets carried from four benches to four others; calibration loaded and checked;
// SIGTERM ending a firmware download cleanly; JSON lines a script can read; files checked
// before any bench is touched; and the same parameter file as the window writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <csignal>
#include <map>
#include <memory>
#include <random>

#include "support/cal_fixture.h"
#include "ui/service/parameter_transfer_window.h"
#include "link/com_port.h"
#include "support/fake_host.h"
#include "ui/service/parameter_editor.h"
#include "support/pty_fixture.h"
#include "sim/sim_server.h"

namespace {

const QString kProgram = QStringLiteral(HALYARD_SERVICE_EXE);

// An S2 firmware file of `records` data records of 32 bytes from 0x010000 on, with a header
// and an end record; `image` gets every byte it writes by address.
QByteArray FirmwareFile(int records, uint32_t seed, std::map<uint32_t, uint8_t>* image)
{
    std::mt19937 random(seed);
    auto hex = [](int v) { return QByteArray::number(v, 16).rightJustified(2, '0').toUpper(); };
    QByteArray file = "S00F000068656C6C6F202020202000003C\r\n";
    for (int r = 0; r < records; ++r) {
        const uint32_t address = 0x010000 + uint32_t(r) * 32;
        const int count = 3 + 32 + 1;
        QByteArray line = "S2" + hex(count);
        int sum = count;
        for (int shift : {16, 8, 0}) {
            const int b = int((address >> shift) & 0xFF);
            line += hex(b);
            sum += b;
        }
        for (int i = 0; i < 32; ++i) {
            const int b = int(random() & 0xFF);
            line += hex(b);
            sum += b;
            (*image)[address + uint32_t(i)] = uint8_t(b);
        }
        line += hex(~sum & 0xFF);
        file += line + "\r\n";
    }
    return file + "S804010000FA\r\n";
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QJsonObject> JsonLines(const QByteArray& out)
{
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(doc.isObject()) << line.toStdString();
        objects << doc.object();
    }
    return objects;
}

// Each bench's last event: its result.
std::map<int, QJsonObject> Results(const QList<QJsonObject>& lines)
{
    std::map<int, QJsonObject> last;
    for (const QJsonObject& o : lines)
        if (o.contains(QStringLiteral("bench")) && o[QStringLiteral("result")].isString())
            last[o[QStringLiteral("bench")].toInt()] = o;
    return last;
}

class ServiceProgramTest : public ::testing::Test {
protected:
    DevicesFolder Devices;
    QTemporaryDir Root;
    QString Work;
    std::vector<std::unique_ptr<sim::SimServer>> Servers;
    QProcess Program;
    QByteArray Out, Err;

    void SetUp() override
    {
        Work = Root.filePath(QStringLiteral("work"));
        QDir().mkpath(Work);
        qputenv("HALYARD_DRIVE_C", Root.filePath(QStringLiteral("drive_c")).toLocal8Bit());
    }
    void TearDown() override
    {
        if (Program.state() != QProcess::NotRunning) {
            Program.kill();
            Program.waitForFinished();
        }
        for (auto& s : Servers)
            s->Stop();
        qunsetenv("HALYARD_DRIVE_C");
    }
    // Simulated benches at full speed on the given ports.
    sim::SimServer& Benches(QVector<int> ports, uint32_t seed = 1)
    {
        sim::SimServerConfig config;
        config.devicesDir = Devices.Path();
        config.ports = ports;
        config.benches = int(ports.size());
        config.bench.seed = seed;
        Servers.push_back(std::make_unique<sim::SimServer>(config));
        QString error;
        EXPECT_TRUE(Servers.back()->Start(&error)) << qPrintable(error);
        return *Servers.back();
    }
    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = QDir(Work).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    void Launch(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HALYARD_SERVICE_STEP_PERCENT"), QStringLiteral("1"));
        Program.setProcessEnvironment(env);
        Program.setWorkingDirectory(Work);
        Program.start(kProgram, args);
        ASSERT_TRUE(Program.waitForStarted());
    }
    // Runs the program to its end while the simulated benches answer; its exit status.
    int Run(const QStringList& args, int timeoutMs = 120000)
    {
        Launch(args);
        return Wait(timeoutMs);
    }
    int Wait(int timeoutMs = 120000)
    {
        EXPECT_TRUE(WaitFor([&] { return Program.state() == QProcess::NotRunning; }, timeoutMs));
        Out = Program.readAllStandardOutput();
        Err = Program.readAllStandardError();
        return Program.exitStatus() == QProcess::NormalExit ? Program.exitCode() : -1;
    }
};

// Four benches upgraded at once end with every simulated flash image equal to the file; then
// bench 3 refuses one write: the others still succeed, bench 3 is reported with the reason and
// left out of download mode, and the exit status is 1. The JSON lines carry every result.
TEST_F(ServiceProgramTest, FourBenchesUpgradeInParallelAndARefusingBenchIsNamed)
{
    sim::SimServer& server = Benches({1, 2, 3, 4});
    std::map<uint32_t, uint8_t> image;
    const QString file = WriteFile(QStringLiteral("FIRMWARE.s19"), FirmwareFile(300, 7, &image));

    ASSERT_EQ(Run({"upgrade", "--benches", "1-4", file}), 0) << Err.toStdString();
    for (int i = 0; i < 4; ++i) {
        const sim::SimBench& b = server.Link(i)->Bench();
        EXPECT_EQ(b.FlashImage(), image) << "bench " << i + 1;
        EXPECT_EQ(b.Flash().Erases(), 1);
        EXPECT_EQ(b.Flash().EndDownloads(), 1);
        EXPECT_TRUE(WaitFor([&] { return b.Flash().Resets() == 1; })) << "bench " << i + 1;
    }
    EXPECT_TRUE(Err.contains("all 4 benches succeeded")) << Err.toStdString();

    server.Link(2)->Bench().Faults().flash.nakWriteNumber = 17;
    ASSERT_EQ(Run({"upgrade", "--benches", "1,2,3,4", "--json", file}), 1) << Err.toStdString();
    const QList<QJsonObject> lines = JsonLines(Out);
    const std::map<int, QJsonObject> results = Results(lines);
    ASSERT_EQ(results.size(), 4u) << Out.toStdString();
    for (int n : {1, 2, 4}) {
        EXPECT_EQ(results.at(n)[QStringLiteral("result")].toString(), QStringLiteral("ok")) << n;
        EXPECT_EQ(results.at(n)[QStringLiteral("progress")][QStringLiteral("done")].toInt(), 300) << n;
        EXPECT_EQ(server.Link(n - 1)->Bench().FlashImage(), image) << n;
    }
    const QJsonObject third = results.at(3);
    EXPECT_EQ(third[QStringLiteral("result")].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(third[QStringLiteral("message")].toString().contains(QStringLiteral("Flash Write Failure, NAK at record 17")))
        << qPrintable(third[QStringLiteral("message")].toString());
    EXPECT_EQ(third[QStringLiteral("port")].toString(), QStringLiteral("COM3"));
    EXPECT_EQ(server.Link(2)->Bench().Flash().EndDownloads(), 2) << "the refused download was ended";
    EXPECT_FALSE(server.Link(2)->Bench().BootMode() && server.Link(2)->Bench().Flash().EndDownloads() < 2);
    const QJsonObject summary = lines.last()[QStringLiteral("summary")].toObject();
    EXPECT_EQ(summary[QStringLiteral("failed")].toArray(), QJsonArray({3}));
    EXPECT_EQ(summary[QStringLiteral("ok")].toArray(), QJsonArray({1, 2, 4}));
    EXPECT_EQ(lines.last()[QStringLiteral("exit")].toInt(), 1);
    // Progress came as the download went, not only at its end.
    int programming = 0;
    for (const QJsonObject& o : lines)
        programming += o[QStringLiteral("stage")].toString() == QStringLiteral("programming") && o[QStringLiteral("result")].isNull();
    EXPECT_GE(programming, 4);
}

// A write whose reply never comes: where the window would wait for ever, the bench fails after
// --timeout seconds and its download is ended with End Flash Download; the other bench finishes.
TEST_F(ServiceProgramTest, AnUnansweredWriteEndsThatBenchsDownloadAfterTheTimeout)
{
    sim::SimServer& server = Benches({1, 2});
    server.Link(1)->Bench().Faults().flash.dropWriteNumber = 9;
    std::map<uint32_t, uint8_t> image;
    const QString file = WriteFile(QStringLiteral("FIRMWARE.s19"), FirmwareFile(50, 11, &image));
    ASSERT_EQ(Run({"upgrade", "--benches", "1,2", "--timeout", "1", file}), 1) << Err.toStdString();
    EXPECT_TRUE(Err.contains("bench 2 (COM2): FAILED: no reply within 1 s")) << Err.toStdString();
    EXPECT_TRUE(Err.contains("bench 1 (COM1): ok")) << Err.toStdString();
    EXPECT_EQ(server.Link(0)->Bench().FlashImage(), image);
    const sim::SimBench& second = server.Link(1)->Bench();
    EXPECT_EQ(second.Flash().WritesReceived(), 9);
    EXPECT_TRUE(WaitFor([&] { return second.Flash().EndDownloads() == 1; }));
}

// A firmware file with one bad record is refused before any bench is touched; a dry run checks
// the file and that each bench answers, and sends nothing but System Identification.
TEST_F(ServiceProgramTest, FilesAreCheckedBeforeAnyBenchIsTouchedAndADryRunChangesNothing)
{
    sim::SimServer& server = Benches({1, 2});
    std::map<uint32_t, uint8_t> image;
    QByteArray bytes = FirmwareFile(40, 3, &image);
    const QString good = WriteFile(QStringLiteral("good.s19"), bytes);
    bytes[bytes.indexOf("S2", 2000) + 20] = bytes[bytes.indexOf("S2", 2000) + 20] == 'A' ? 'B' : 'A';
    const QString bad = WriteFile(QStringLiteral("bad.s19"), bytes);

    EXPECT_EQ(Run({"upgrade", "--benches", "1,2", bad}), 1);
    EXPECT_TRUE(Err.contains("checksum")) << Err.toStdString();
    EXPECT_TRUE(Err.contains("no bench was touched")) << Err.toStdString();
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(server.Link(i)->Bench().Requests().empty()) << i;

    EXPECT_EQ(Run({"upgrade", "--dry-run", "--benches", "1,2", good}), 0) << Err.toStdString();
    EXPECT_TRUE(Err.contains("firmware file good, 40 records")) << Err.toStdString();
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(server.Link(i)->Bench().Requests().size(), 1u) << i;
        EXPECT_EQ(server.Link(i)->Bench().Requests().front().code, 0x04);
        EXPECT_TRUE(server.Link(i)->Bench().FlashImage().empty());
    }

    // A bench with no device behind its port fails alone; the one that answers passes.
    EXPECT_EQ(Run({"upgrade", "--dry-run", "--benches", "1,3", good}), 1);
    EXPECT_TRUE(Err.contains("bench 3 (COM3): FAILED")) << Err.toStdString();
    EXPECT_TRUE(Err.contains("bench 1 (COM1): ok")) << Err.toStdString();
}

// Every flash parameter of four benches goes to files and from them into four other benches
// (on COM5 to COM8): afterwards each of those holds exactly its source's flash.
TEST_F(ServiceProgramTest, UploadFromFourBenchesAndDownloadIntoFourOthers)
{
    sim::SimServer& from = Benches({1, 2, 3, 4}, 1);
    sim::SimServer& into = Benches({5, 6, 7, 8}, 99);
    ASSERT_NE(from.Link(0)->Bench().Parameters().FlashImage(), into.Link(0)->Bench().Parameters().FlashImage());

    ASSERT_EQ(Run({"params", "upload", "--benches", "1-4", "--out", "bench{n}.par"}), 0) << Err.toStdString();
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(ReadFile(QDir(Work).filePath(QStringLiteral("bench%1.par").arg(n))).count("// "), 401) << n;
        EXPECT_TRUE(QFile::exists(QDir(Work).filePath(QStringLiteral("tryfile-%1.txt").arg(n)))) << n;
    }
    // Files that exist are not replaced without --overwrite, and no bench is touched.
    const int requests = int(from.Link(0)->Bench().Requests().size());
    EXPECT_EQ(Run({"params", "upload", "--benches", "1-4", "--out", "bench{n}.par"}), 1);
    EXPECT_TRUE(Err.contains("--overwrite")) << Err.toStdString();
    EXPECT_EQ(int(from.Link(0)->Bench().Requests().size()), requests);

    ASSERT_EQ(Run({"params", "download", "--benches", "1-4", "--port", "1=COM5", "--port", "2=COM6", "--port", "3=COM7",
                   "--port", "4=COM8", "--allow-flash-store", "bench{n}.par"}),
              0)
        << Err.toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(into.Link(i)->Bench().Parameters().FlashImage(), from.Link(i)->Bench().Parameters().FlashImage()) << i;
}

// Calibration constants loaded into two benches, then checked: both pass; one value changed
// on one bench afterwards: that bench fails the check, naming the parameter, the other passes.
TEST_F(ServiceProgramTest, CalibrationLoadThenCheckFindsTheBenchWithAValueOff)
{
    sim::SimServer& server = Benches({1, 3});
    for (int i = 0; i < 2; ++i)
        server.Link(i)->Bench().Parameters().SetNormalise(false); // each parameter holds the text written
    const CalFileContent c = CalFileContent::Sample();
    const QString file = WriteFile(QStringLiteral("bench.CAL"), QByteArray::fromStdString(c.Text(true)));

    ASSERT_EQ(Run({"cal", "load", "--benches", "1,3", "--allow-flash-store", file}), 0) << Err.toStdString();
    for (int i = 0; i < 2; ++i)
        for (const auto& [n, text] : c.Expected())
            EXPECT_EQ(server.Link(i)->Bench().Parameters().Flash(n), text) << "bench " << i << " parameter " << n;
    ASSERT_EQ(Run({"cal", "check", "--benches", "1,3", file}), 0) << Err.toStdString();

    sim::SimParameterStore& third = server.Link(1)->Bench().Parameters();
    third.Write(133, "9.5");
    third.Store(133);
    const int writes = server.Link(1)->Bench().RepliesSent(0x48);
    ASSERT_EQ(Run({"cal", "check", "--benches", "1,3", "--json", file}), 1) << Err.toStdString();
    const std::map<int, QJsonObject> results = Results(JsonLines(Out));
    ASSERT_EQ(results.size(), 2u) << Out.toStdString();
    EXPECT_EQ(results.at(1)[QStringLiteral("result")].toString(), QStringLiteral("ok"));
    EXPECT_EQ(results.at(3)[QStringLiteral("result")].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(results.at(3)[QStringLiteral("message")].toString().contains(QStringLiteral("parameter 133")))
        << qPrintable(results.at(3)[QStringLiteral("message")].toString());
    EXPECT_EQ(server.Link(1)->Bench().RepliesSent(0x48), writes) << "a check writes nothing";
}

// A bench whose adapter goes away mid-upload fails with that reason and the program ends; the
// other bench's upload completes.
TEST_F(ServiceProgramTest, ABenchLostMidUploadFailsAloneAndTheRunEnds)
{
    sim::SimServer& server = Benches({1, 2});
    Launch({"params", "upload", "--benches", "1,2", "--out", "lost{n}.par", "--json"});
    sim::SimBench& second = server.Link(1)->Bench();
    ASSERT_TRUE(WaitFor([&] { return second.ParameterRequests() >= 30; }, 20000));
    server.Link(1)->Vanish();
    ASSERT_EQ(Wait(60000), 1) << Err.toStdString();
    const std::map<int, QJsonObject> results = Results(JsonLines(Out));
    ASSERT_EQ(results.size(), 2u) << Out.toStdString();
    EXPECT_EQ(results.at(1)[QStringLiteral("result")].toString(), QStringLiteral("ok"));
    EXPECT_EQ(results.at(2)[QStringLiteral("result")].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(results.at(2)[QStringLiteral("message")].toString().startsWith(QStringLiteral("port lost")))
        << qPrintable(results.at(2)[QStringLiteral("message")].toString());
}

// SIGTERM in the middle of a firmware download: End Flash Download reaches the bench, the
// program reports the bench cancelled and ends with a non-zero status.
TEST_F(ServiceProgramTest, SigtermInMidDownloadEndsTheDownload)
{
    sim::SimServer& server = Benches({2});
    sim::SimBench& bench = server.Link(0)->Bench();
    bench.SetReplyDelayMs(5); // slow enough to be caught mid-download
    std::map<uint32_t, uint8_t> image;
    const QString file = WriteFile(QStringLiteral("big.s19"), FirmwareFile(2000, 5, &image));
    Launch({"upgrade", "--benches", "2", file});
    ASSERT_TRUE(WaitFor([&] { return bench.Flash().WritesReceived() >= 20; }, 20000));
    ASSERT_EQ(::kill(pid_t(Program.processId()), SIGTERM), 0);
    const int status = Wait(20000);
    EXPECT_NE(status, 0);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(WaitFor([&] { return bench.Flash().EndDownloads() == 1; })) << "End Flash Download not sent";
    EXPECT_LT(bench.Flash().WritesReceived(), 2000);
    EXPECT_EQ(bench.Requests().back().code, 0x28);
    EXPECT_TRUE(Err.contains("cancelled")) << Err.toStdString();
}

// One parameter read, written, stored and loaded as the editor's buttons do it.
TEST_F(ServiceProgramTest, OneParameterReadWriteStoreAndLoad)
{
    sim::SimServer& server = Benches({1});
    sim::SimParameterStore& p = server.Link(0)->Bench().Parameters();
    ASSERT_EQ(Run({"params", "write", "--bench", "1", "--param", "12", "--text", " 4.250 , 2"}), 0) << Err.toStdString();
    EXPECT_EQ(p.Ram(12), "4.25,2");
    ASSERT_EQ(Run({"params", "read", "--bench", "1", "--param", "12"}), 0) << Err.toStdString();
    EXPECT_EQ(Out, QByteArray("4.25,2\n"));
    EXPECT_NE(p.Flash(12), "4.25,2");
    ASSERT_EQ(Run({"params", "store", "--bench", "1", "--param", "12", "--allow-flash-store"}), 0) << Err.toStdString();
    EXPECT_EQ(p.Flash(12), "4.25,2");
    p.Write(12, "7");
    ASSERT_EQ(Run({"params", "load", "--bench", "1", "--param", "12"}), 0) << Err.toStdString();
    EXPECT_EQ(Out, QByteArray("4.25,2\n"));
    EXPECT_EQ(p.Ram(12), "4.25,2");

    server.Link(0)->Bench().Faults().nakParameter[12] = 0x02;
    EXPECT_EQ(Run({"params", "read", "--bench", "1", "--param", "12"}), 1);
    EXPECT_TRUE(Err.contains("refused")) << Err.toStdString();
}

// Bad usage ends with status 2 and a pointer to --help before anything is opened.
TEST_F(ServiceProgramTest, BadUsageExitsWithTwo)
{
    sim::SimServer& server = Benches({1});
    for (const QStringList& args : {QStringList{}, QStringList{"upgrade", "x.s19"}, QStringList{"params", "store", "--bench", "1", "--param", "3"},
                                    QStringList{"cal", "check", "--benches", "1", "--bogus", "x.CAL"}}) {
        EXPECT_EQ(Run(args), 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(Err.contains("--help")) << Err.toStdString();
    }
    EXPECT_TRUE(server.Link(0)->Bench().Requests().empty());
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(Out.contains("--allow-flash-store"));
}

// The window and the program upload the same bench into byte-for-byte the same file.
TEST_F(ServiceProgramTest, UploadWritesTheSameFileAsTheWindow)
{
    Benches({1});
    const QString list = WriteFile(QStringLiteral("ParamLst.c"),
                                   "TParameterItem List[] = {\n{eInt, &Serial, eFlash, 0, 1},\n{eFloat, &Gain, eRAM, 0, 4},\n"
                                   "{eChar, &Name, eFlash, 0, 12},\n");
    {
        ComPort port(1);
        ASSERT_TRUE(port.Open()) << qPrintable(port.LastError());
        FakeHost host;
        host.TheLink.Benches[0].Setup(&port);
        QObject::connect(&port, &ComPort::DataAvailable, [&](ComPort*) { host.TheLink.PortDataAvailable(0); });
        host.SwitchedOn = {true, false, false, false};
        host.TheLink.SetSwitches(&host);
        ParameterEditor editor(host, list);
        ParameterTransferWindow window(host, &editor);
        window.Transfer().TimerMs = 1;
        window.Transfer().TracePath = QDir(Work).filePath(QStringLiteral("tryfile.txt"));
        editor.UpdateBenchSelection();
        window.UpdateBenchSelection();
        window.show();
        window.FileEdit[0]->setText(QDir(Work).filePath(QStringLiteral("window.par")));
        window.NumParamEdit->setText(QStringLiteral("60"));
        window.UploadRadio->setChecked(true);
        window.OKBtn->click();
        ASSERT_TRUE(WaitFor([&] { return window.OKBtn->isEnabled(); }, 60000));
        EXPECT_TRUE(window.StateEdit->text().contains(QStringLiteral("Successful"))) << qPrintable(window.StateEdit->text());
        port.Close();
    }
    ASSERT_EQ(Run({"params", "upload", "--bench", "1", "--last", "60", "--out", "program.par"}), 0) << Err.toStdString();
    const QByteArray fromWindow = ReadFile(QDir(Work).filePath(QStringLiteral("window.par")));
    EXPECT_EQ(fromWindow.count("// "), 61);
    EXPECT_TRUE(fromWindow.contains("// 1 Gain \n"));
    EXPECT_EQ(ReadFile(QDir(Work).filePath(QStringLiteral("program.par"))), fromWindow);
}

} // namespace
