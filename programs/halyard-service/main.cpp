// halyard-service: the service procedures of the windows without a window, on several benches
// at once, for service departments and production lines.
#include "service/bench_probe.h"
#include "service/cal_file_check.h"
#include "service/cal_run.h"
#include "link/com_port.h"
#include "service/firmware_file.h"
#include "programs/halyard-service/json_events.h"
#include "service/param_editor_text.h"
#include "service/param_file_check.h"
#include "service/param_list.h"
#include "service/param_read_back.h"
#include "service/param_request_run.h"
#include "service/param_transfer_run.h"
#include "link/paths.h"
#include "programs/halyard-service/progress_board.h"
#include "programs/halyard-service/service_options.h"
#include "service/service_runner.h"
#include "service/service_station.h"
#include "programs/common/stop_signals.h"
#include "service/upgrade_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// Time for the last requests (End Flash Download, Soft Reset) to leave the ports before they close.
constexpr int kDrainMs = 300;

using Command = ServiceOptions::Command;

int UsageError(const QString& text)
{
    std::fprintf(stderr, "halyard-service: %s\nTry 'halyard-service --help'.\n", text.toLocal8Bit().constData());
    return 2;
}

std::string Local(const QString& path) { return path.toLocal8Bit().toStdString(); }

// The procedures' own step intervals as a percentage: tests against the simulator shorten
// them (1 to 100; 100 unless HALYARD_SERVICE_STEP_PERCENT says otherwise).
int StepPercent()
{
    bool ok = false;
    const int p = qEnvironmentVariableIntValue("HALYARD_SERVICE_STEP_PERCENT", &ok);
    return ok ? std::clamp(p, 1, 100) : 100;
}

// The files of every bench, read and checked whole before any bench is touched. Per bench, a
// word on what was checked (said by a dry run); false with the reason on the first fault.
bool CheckFiles(const ServiceOptions& o, std::array<std::string, 4>* checked, QString* error)
{
    if (o.What == Command::Upgrade) {
        const QString path = Paths::DriveCPath(o.File);
        const FirmwareCheck c = CheckFirmwareFile(Local(path));
        if (!c.Ok()) {
            *error = path + QStringLiteral(": ") + QString::fromStdString(c.Error.Message);
            return false;
        }
        checked->fill("firmware file good, " + std::to_string(c.Image->Records.size()) + " records");
        return true;
    }
    for (int k = 0; k < 4; ++k) {
        if (!o.Benches[size_t(k)])
            continue;
        std::string& said = (*checked)[size_t(k)];
        if (o.What == Command::Download) {
            const ParamFileCheck c = CheckParamFile(ForBench(o.File, k));
            if (!c.Ok) {
                *error = QStringLiteral("bench %1: ").arg(k + 1) + QString::fromStdString(c.Error);
                return false;
            }
            said = "parameter file good, " + std::to_string(c.Entries) + " entries";
        } else if (o.What == Command::CalLoad || o.What == Command::CalCheck) {
            const QString path = Paths::DriveCPath(ForBench(o.File, k));
            const CalFileCheck c = CheckCalFile(Local(path), o.What == Command::CalLoad);
            if (!c.Ok) {
                *error = QStringLiteral("bench %1: %2: ").arg(k + 1).arg(path) + QString::fromStdString(c.Error);
                return false;
            }
            said = ".CAL file good";
        } else if (o.What == Command::Upload) {
            const QString path = Paths::DriveCPath(ForBench(o.Out, k));
            if (QFileInfo::exists(path) && !o.Overwrite) {
                *error = QStringLiteral("bench %1: %2 exists (--overwrite replaces it)").arg(k + 1).arg(path);
                return false;
            }
            said = "will write " + Local(path);
        }
    }
    return true;
}

std::unique_ptr<BenchProcedure> MakeProcedure(const ServiceOptions& o, int k, Link& link, ParamReadBack& readBack,
                                              const ParameterList& names, const std::string& writeText)
{
    const QString trace = QFileInfo(Paths::DriveCPath(ForBench(o.Trace, k))).absoluteFilePath();
    switch (o.What) {
    case Command::Upgrade:
        return std::make_unique<UpgradeRun>(link, k, Local(Paths::DriveCPath(o.File)), o.NoReplySeconds * 1000);
    case Command::Upload:
    case Command::Download: {
        ParamTransferSettings s;
        s.Download = o.What == Command::Download;
        s.File = ForBench(s.Download ? o.File : o.Out, k);
        s.TracePath = trace;
        s.First = o.First;
        s.Last = o.Last;
        s.Overwrite = o.Overwrite;
        s.StepMs = std::max(1, ParamTransfer::kTimerMs * StepPercent() / 100);
        if (s.Download)
            s.Entries = CheckParamFile(s.File).Entries;
        return std::make_unique<ParamTransferRun>(link, readBack, names, k, s);
    }
    case Command::CalLoad:
    case Command::CalCheck: {
        CalRunSettings s;
        s.Load = o.What == Command::CalLoad;
        s.File = Local(Paths::DriveCPath(ForBench(o.File, k)));
        s.TracePath = Local(trace);
        s.StepPercent = StepPercent();
        return std::make_unique<CalRun>(link, readBack, k, s);
    }
    case Command::Read:
    case Command::Write:
    case Command::Store:
    case Command::Load: {
        const ParamRequestRun::Action a = o.What == Command::Read    ? ParamRequestRun::Action::Read
                                          : o.What == Command::Write ? ParamRequestRun::Action::Write
                                          : o.What == Command::Store ? ParamRequestRun::Action::Store
                                                                     : ParamRequestRun::Action::Load;
        return std::make_unique<ParamRequestRun>(link, readBack, k, a, uint16_t(o.Param), writeText);
    }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ServiceOptionsResult parsed = ParseServiceOptions(args);
    if (!parsed.Error.isEmpty())
        return UsageError(parsed.Error);
    const ServiceOptions& o = parsed.Options;
    if (o.Help) {
        std::fputs(ServiceUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    // The editor's rules for what it sends: the text of a write, and which parameters reach flash.
    std::string writeText;
    if (o.What == Command::Write) {
        writeText = WriteTextOf(o.Text.toLatin1().toStdString());
        if (writeText.size() > size_t(kMaxFlashDataBytes))
            return UsageError(QStringLiteral("--text is longer than %1 characters without its blanks").arg(kMaxFlashDataBytes));
    }
    const ParameterList names = ReadParamListFile(QDir::current().absoluteFilePath(o.ParamList));
    if (o.What == Command::Store && !StoreAllowedAfterWrite(names, o.Param, o.AllowFlashStore))
        return UsageError(QStringLiteral("parameter %1 is in the RAM bank (%2): it is not stored to flash").arg(o.Param).arg(o.ParamList));

    std::unique_ptr<ServiceEvents> events;
    if (o.Json)
        events = std::make_unique<JsonEvents>();
    else
        events = std::make_unique<ProgressBoard>(::isatty(STDERR_FILENO) != 0, o.Benches);

    std::array<std::string, 4> checked;
    QString fileError;
    if (!CheckFiles(o, &checked, &fileError)) {
        events->Refused(fileError + QStringLiteral("; no bench was touched"));
        QList<BenchResult> results;
        for (int k = 0; k < 4; ++k)
            if (o.Benches[size_t(k)])
                results.append({k, QStringLiteral("COM%1").arg(o.ComNumbers[size_t(k)]), false, fileError});
        events->Summary(results, 1);
        return 1;
    }

    // Every procedure waits for each reply before its next request: read replies as they come.
    ComPort::SetReadBeatMs(0);
    ServiceStation station;
    ParamReadBack readBack(station.BenchLink());
    ServiceRunner runner(station.BenchLink());
    std::array<QString, 4> ports;
    QList<BenchResult> results;
    for (int k = 0; k < 4; ++k) {
        if (!o.Benches[size_t(k)])
            continue;
        station.Port(k).SetComNumber(o.ComNumbers[size_t(k)]);
        ports[size_t(k)] = station.Port(k).ComName();
        QString error;
        if (!station.OpenBench(k, o.Baud, &error)) {
            events->Failed(k, ports[size_t(k)], error);
            results.append({k, ports[size_t(k)], false, error});
            continue;
        }
        if (o.DryRun) {
            auto probe = std::make_unique<BenchProbe>(station.BenchLink(), k);
            probe->Checked = checked[size_t(k)];
            runner.Add(std::move(probe));
        } else {
            runner.Add(MakeProcedure(o, k, station.BenchLink(), readBack, names, writeText));
        }
    }

    runner.OnEvent = [&](const BenchProcedure& p) { events->Progress(p, ports[size_t(p.Bench())]); };
    runner.OnFinished = [&] { QTimer::singleShot(kDrainMs, &app, &QCoreApplication::quit); };
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::StopRequested, &app, [&](int) { runner.Cancel(); });

    if (!runner.Procedures().empty()) {
        runner.Start();
        app.exec();
    }

    for (const auto& p : runner.Procedures())
        results.append({p->Bench(), ports[size_t(p->Bench())], p->Succeeded(), QString::fromLatin1(p->Message().c_str())});
    std::sort(results.begin(), results.end(), [](const BenchResult& a, const BenchResult& b) { return a.Bench < b.Bench; });
    const bool allOk = std::all_of(results.begin(), results.end(), [](const BenchResult& r) { return r.Ok; });
    const int exitCode = allOk ? 0 : 1;

    // Values read: alone when one bench was asked, else each after its bench number.
    if (!o.Json) {
        for (const auto& p : runner.Procedures()) {
            if (!p->Succeeded() || (o.What != Command::Read && o.What != Command::Load) || o.DryRun)
                continue;
            if (o.BenchCount() > 1)
                std::printf("%d: ", p->Bench() + 1);
            std::printf("%s\n", p->Output().c_str());
        }
        std::fflush(stdout);
    }
    events->Summary(results, exitCode);
    station.CloseAll();
    return exitCode;
}
