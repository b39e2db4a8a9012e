// Service tools: reading the parameter list and a parameter file of a whole bench;
// parsing firmware files and a whole firmware download over a pty.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <sstream>

#include "link/com_port.h"
#include "link/link.h"
#include "service/param_file.h"
#include "service/param_list.h"
#include "sim/sim_parameters.h"
#include "sim/sim_server.h"
#include "service/firmware_file.h"
#include "service/upgrade_machine.h"

namespace {

// A list file of 401 entries in the shapes the list uses.
std::string ParamListText()
{
    static const char* const types[] = {"eChar", "eInt", "eFloat", "eDouble", "eLong", "eString12"};
    static const char* const banks[] = {"eFlash", "eRAM", "eBoot"};
    std::string text = "/* Flash parameter list */\n#include \"params.h\"\n\nTParameterItem ParamList[] = {\n";
    for (int n = 0; n < 401; ++n) {
        text += "\t{ " + std::string(types[n % 6]) + ", &Parameter_" + std::to_string(n) + "_Value, " + banks[n % 3] +
                ", 0x" + std::to_string(1000 + n) + ", ";
        text += n % 5 == 0 ? "NUM_TEMPS * 2" : std::to_string(n % 20);
        text += " },   // parameter " + std::to_string(n) + "\n";
    }
    text += "\t{ eEnd, 0, eFlash, 0, 0 }\n};\n";
    return text;
}

void BM_ReadParamListFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ParamLst.c"));
    const std::string text = ParamListText();
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), qint64(text.size()));
    f.close();
    for (auto _ : state) {
        ParameterList list = ReadParamListFile(path);
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadParamListFile)->Unit(benchmark::kMicrosecond);

// A download file as an upload of a simulated bench writes it.
void BM_ReadParameterFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.CAL"));
    sim::SimParameterStore store(7);
    std::string text;
    for (int n = 0; n < sim::SimParameterStore::kCount; ++n) {
        const std::string& v = store.Flash(n);
        text += UploadEntryLines(n, "Parameter_" + std::to_string(n) + "_Value", reinterpret_cast<const uint8_t*>(v.data()),
                                 int(v.size()));
    }
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(text.data(), qint64(text.size()));
    out.close();
    for (auto _ : state) {
        QFile in(path);
        in.open(QIODevice::ReadOnly);
        ParamFileReader reader(in);
        int entries = 0;
        for (ParamFileReader::Step s = reader.Next(); s.What != ParamFileReader::Kind::End; s = reader.Next()) {
            if (s.What == ParamFileReader::Kind::Error)
                state.SkipWithError("file did not read back");
            entries += s.What == ParamFileReader::Kind::Entry;
        }
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadParameterFile)->Unit(benchmark::kMicrosecond);

// S-record lines of 32 data bytes each, `bytes` of file text in all (S3, four address bytes).
std::string SRecordText(size_t bytes)
{
    std::string text;
    char line[128];
    for (uint32_t address = 0; text.size() < bytes; address += 32) {
        const uint8_t count = 32 + 4 + 1;
        unsigned sum = count + (address >> 24) + ((address >> 16) & 0xFF) + ((address >> 8) & 0xFF) + (address & 0xFF);
        int at = std::snprintf(line, sizeof line, "S3%02X%08X", count, address);
        for (int i = 0; i < 32; ++i) {
            const uint8_t b = uint8_t(address * 7 + uint32_t(i) * 13);
            sum += b;
            at += std::snprintf(line + at, sizeof line - size_t(at), "%02X", b);
        }
        std::snprintf(line + at, sizeof line - size_t(at), "%02X\r\n", 0xFF - (sum & 0xFF));
        text += line;
    }
    return text;
}

// Reading and checking a 1 MB firmware file whole, as Start Download does before sending anything.
void BM_CheckFirmwareFile(benchmark::State& state)
{
    const std::string text = SRecordText(1 << 20);
    for (auto _ : state) {
        std::istringstream in(text);
        const FirmwareCheck check = CheckFirmwareFile(in);
        if (!check.Ok())
            state.SkipWithError("the file did not pass its check");
        benchmark::DoNotOptimize(check.Image);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_CheckFirmwareFile)->Unit(benchmark::kMillisecond);

// A whole firmware download (64 KB in 32-byte records) into a simulated bench over a pty,
// against the time its bytes take on a 19200 baud line (10 bits a byte). The pty does not
// pace the bytes, so the measured time is what the host (with the simulator and the kernel)
// adds on top of the line; host_share_pct is that time as a share of the line time.
void BM_DownloadAgainstTheLine(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "service_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    QTemporaryDir dir;
    const QString devices = dir.filePath(QStringLiteral("devices"));
    QDir().mkpath(devices);
    qputenv("HALYARD_DEVICES", devices.toLocal8Bit());
    const QString fw = dir.filePath(QStringLiteral("fw.s19"));
    const std::string text = SRecordText(64 * 1024 / 32 * 80); // 64 KB of data
    {
        QFile f(fw);
        f.open(QIODevice::WriteOnly);
        f.write(text.data(), qint64(text.size()));
    }
    sim::SimServerConfig config;
    config.devicesDir = devices;
    config.benches = 1;
    sim::SimServer server(config);
    QString error;
    if (!server.Start(&error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    ComPort port(1);
    if (!port.Open()) {
        state.SkipWithError("COM1 does not open");
        return;
    }
    Link link;
    link.Benches[0].Setup(&port);
    QObject::connect(&port, &ComPort::DataAvailable, [&link](ComPort*) { link.PortDataAvailable(0); });
    BenchRecord& bench = link.Benches[0];
    double wireBytes = 0;
    UpgradeMachine machine(UpgradeRequests{
        [&](int) { bench.RequestStartBootMode(); wireBytes += 4 + 4; },
        [&](int) { bench.RequestInitiateFlashDownload(); wireBytes += 4 + 4; },
        [&](int, const std::array<uint8_t, 4>& a, const std::vector<uint8_t>& d) {
            bench.RequestWriteFlashMemory(a, int(d.size()), d.data());
            wireBytes += double(d.size()) + 7 + 4;
        },
        [&](int) { bench.RequestEndFlashDownload(); wireBytes += 4 + 4; },
        [&](int) { bench.RequestSoftReset(); wireBytes += 4 + 4; },
        [&](const std::string& w) { state.SkipWithError(w.c_str()); },
    });
    struct Download : ReplyClaim {
        UpgradeMachine& Machine;
        explicit Download(UpgradeMachine& m) : Machine(m) {}
        bool Claiming() const override { return Machine.Busy(); }
        bool Exclusive() const override { return true; }
        bool Claimed(int, const RxFrame& f) override
        {
            Machine.Reply(f);
            return true;
        }
    } download(machine);
    link.AddClaim(download);
    double hostMs = 0;
    for (auto _ : state) {
        wireBytes = 0;
        QElapsedTimer t;
        t.start();
        machine.Start(0, fw.toStdString());
        while (machine.Busy() && t.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        hostMs = double(t.nsecsElapsed()) / 1e6;
        machine.Close();
    }
    const double lineMs = wireBytes * 10.0 * 1000.0 / 19200.0;
    state.counters["wire_bytes"] = wireBytes;
    state.counters["line_ms_19200"] = lineMs;
    state.counters["host_ms"] = hostMs;
    state.counters["host_share_pct"] = 100.0 * hostMs / lineMs;
    port.Close();
    server.Stop();
}
BENCHMARK(BM_DownloadAgainstTheLine)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
