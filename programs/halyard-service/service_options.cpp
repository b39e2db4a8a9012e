#include "programs/halyard-service/service_options.h"

#include <algorithm>

namespace {

constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200};

bool ParseInt(const QString& text, int lo, int hi, int* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// "1,2,3,4", "1-4", "1,3-4": each bench once.
bool ParseBenches(const QString& text, std::array<bool, 4>* benches, QString* error)
{
    std::array<bool, 4> b{};
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString& item : items) {
        const QStringList range = item.split(QLatin1Char('-'));
        int from = 0, to = 0;
        if (range.size() > 2 || !ParseInt(range.first(), 1, 4, &from) || !ParseInt(range.last(), 1, 4, &to) || from > to) {
            *error = QStringLiteral("--benches: bad bench '%1' (benches are 1 to 4: 1,3 or 1-4)").arg(item);
            return false;
        }
        for (int n = from; n <= to; ++n) {
            if (b[size_t(n - 1)]) {
                *error = QStringLiteral("--benches: bench %1 named twice").arg(n);
                return false;
            }
            b[size_t(n - 1)] = true;
        }
    }
    *benches = b;
    return true;
}

} // namespace

int ServiceOptions::BenchCount() const { return int(std::count(Benches.begin(), Benches.end(), true)); }

bool ServiceOptions::StoresToFlash() const
{
    return What == Command::Store || What == Command::Download || What == Command::CalLoad;
}

QString ForBench(const QString& pattern, int k) { return QString(pattern).replace(QStringLiteral("{n}"), QString::number(k + 1)); }

ServiceOptionsResult ParseServiceOptions(const QStringList& args)
{
    ServiceOptionsResult r;
    ServiceOptions& o = r.Options;
    auto fail = [&](const QString& why) {
        r.Error = why;
        return r;
    };
    QStringList words;
    bool benchesGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            words << a;
            continue;
        }
        QString name = a, value;
        bool hasValue = false;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
            hasValue = true;
        }
        static const QStringList flags = {"--help", "--json", "--dry-run", "--allow-flash-store", "--overwrite"};
        static const QStringList valued = {"--benches", "--bench", "--port", "--out", "--first", "--last", "--param",
                                           "--text", "--trace", "--param-list", "--baud", "--timeout"};
        if (flags.contains(name)) {
            if (hasValue)
                return fail(name + QStringLiteral(" takes no value"));
            if (name == QLatin1String("--help"))
                o.Help = true;
            else if (name == QLatin1String("--json"))
                o.Json = true;
            else if (name == QLatin1String("--dry-run"))
                o.DryRun = true;
            else if (name == QLatin1String("--allow-flash-store"))
                o.AllowFlashStore = true;
            else
                o.Overwrite = true;
            continue;
        }
        if (!valued.contains(name))
            return fail(QStringLiteral("unknown option ") + name);
        if (!hasValue) {
            if (i + 1 >= args.size())
                return fail(name + QStringLiteral(" needs a value"));
            value = args[++i];
        }
        if (name == QLatin1String("--benches") || name == QLatin1String("--bench")) {
            if (benchesGiven)
                return fail(QStringLiteral("--benches given twice"));
            benchesGiven = true;
            if (!ParseBenches(value, &o.Benches, &r.Error))
                return r;
        } else if (name == QLatin1String("--port")) {
            const QStringList parts = value.split(QLatin1Char('='));
            QString com = parts.size() == 2 ? parts[1].trimmed() : QString();
            if (com.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
                com = com.mid(3);
            int bench = 0, number = 0;
            if (parts.size() != 2 || !ParseInt(parts[0], 1, 4, &bench) || !ParseInt(com, 1, 99, &number))
                return fail(QStringLiteral("--port wants BENCH=COMn (bench 1 to 4, n 1 to 99), got ") + value);
            o.ComNumbers[size_t(bench - 1)] = number;
        } else if (name == QLatin1String("--out")) {
            o.Out = value;
        } else if (name == QLatin1String("--first") || name == QLatin1String("--last")) {
            if (!ParseInt(value, 0, 65535, name == QLatin1String("--first") ? &o.First : &o.Last))
                return fail(name + QStringLiteral(" must be a parameter number 0 to 65535"));
        } else if (name == QLatin1String("--param")) {
            // The editor's range: anything else is "Illegal Parameter number".
            if (!ParseInt(value, 0, 400, &o.Param))
                return fail(QStringLiteral("--param must be 0 to 400"));
        } else if (name == QLatin1String("--text")) {
            o.Text = value;
            o.HasText = true;
        } else if (name == QLatin1String("--trace")) {
            o.Trace = value;
        } else if (name == QLatin1String("--param-list")) {
            o.ParamList = value;
        } else if (name == QLatin1String("--baud")) {
            bool ok = false;
            o.Baud = value.toInt(&ok);
            if (!ok || std::find(std::begin(kBaudRates), std::end(kBaudRates), o.Baud) == std::end(kBaudRates))
                return fail(QStringLiteral("--baud must be 9600, 19200, 38400, 57600 or 115200"));
        } else if (name == QLatin1String("--timeout")) {
            if (!ParseInt(value, 1, 3600, &o.NoReplySeconds))
                return fail(QStringLiteral("--timeout must be 1 to 3600 seconds"));
        }
    }
    if (o.Help)
        return r;
    if (words.isEmpty())
        return fail(QStringLiteral("no command: upgrade, params or cal"));
    const QString command = words.takeFirst();
    QString action;
    if (command == QLatin1String("params") || command == QLatin1String("cal")) {
        if (words.isEmpty())
            return fail(command + (command == QLatin1String("cal") ? QStringLiteral(": load or check?")
                                                                    : QStringLiteral(": upload, download, read, write, store or load?")));
        action = words.takeFirst();
    }
    bool wantsFile = true;
    if (command == QLatin1String("upgrade")) {
        o.What = ServiceOptions::Command::Upgrade;
    } else if (command == QLatin1String("params")) {
        const QStringList actions = {"upload", "download", "read", "write", "store", "load"};
        const ServiceOptions::Command kinds[] = {ServiceOptions::Command::Upload, ServiceOptions::Command::Download,
                                                 ServiceOptions::Command::Read,   ServiceOptions::Command::Write,
                                                 ServiceOptions::Command::Store,  ServiceOptions::Command::Load};
        const qsizetype at = actions.indexOf(action);
        if (at < 0)
            return fail(QStringLiteral("params: unknown action '%1' (upload, download, read, write, store, load)").arg(action));
        o.What = kinds[at];
        wantsFile = o.What == ServiceOptions::Command::Download;
    } else if (command == QLatin1String("cal")) {
        if (action == QLatin1String("load"))
            o.What = ServiceOptions::Command::CalLoad;
        else if (action == QLatin1String("check"))
            o.What = ServiceOptions::Command::CalCheck;
        else
            return fail(QStringLiteral("cal: unknown action '%1' (load or check)").arg(action));
    } else {
        return fail(QStringLiteral("unknown command '%1' (upgrade, params or cal)").arg(command));
    }
    if (wantsFile) {
        if (words.isEmpty())
            return fail(QStringLiteral("no file given"));
        o.File = words.takeFirst();
    }
    if (!words.isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'").arg(words.first()));
    if (!benchesGiven || o.BenchCount() == 0)
        return fail(QStringLiteral("no benches: give --benches (1 to 4, as 1,3 or 1-4)"));

    const bool several = o.BenchCount() > 1;
    using C = ServiceOptions::Command;
    if (o.What == C::Upload) {
        if (o.Out.isEmpty())
            return fail(QStringLiteral("params upload needs --out FILE ({n} stands for the bench number)"));
        if (several && !o.Out.contains(QStringLiteral("{n}")))
            return fail(QStringLiteral("--out must hold {n} when several benches upload: each needs its own file"));
        if (o.First > o.Last)
            return fail(QStringLiteral("--first is above --last"));
    }
    if (o.What == C::Read || o.What == C::Write || o.What == C::Store || o.What == C::Load) {
        if (o.Param < 0)
            return fail(QStringLiteral("--param N is needed (0 to 400)"));
        if (o.What == C::Write && !o.HasText)
            return fail(QStringLiteral("params write needs --text T"));
    }
    if (o.HasText && o.What != C::Write)
        return fail(QStringLiteral("--text is for params write only"));
    const bool traced = o.What == C::Upload || o.What == C::Download || o.What == C::CalLoad || o.What == C::CalCheck;
    if (traced && several && !o.Trace.contains(QStringLiteral("{n}")))
        return fail(QStringLiteral("--trace must hold {n} when several benches run: each needs its own trace"));
    if (o.StoresToFlash() && !o.AllowFlashStore)
        return fail(QStringLiteral("this stores parameters to the bench's flash: give --allow-flash-store to allow it"));
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            if (o.Benches[size_t(a)] && o.Benches[size_t(b)] && o.ComNumbers[size_t(a)] == o.ComNumbers[size_t(b)])
                return fail(QStringLiteral("benches %1 and %2 are both on COM%3").arg(a + 1).arg(b + 1).arg(o.ComNumbers[size_t(a)]));
    return r;
}

QString ServiceUsage()
{
    return QStringLiteral(
        "Usage:\n"
        "  halyard-service upgrade   --benches 1,2,3,4 FIRMWARE.s19|.s28|.s37\n"
        "  halyard-service params    upload   --benches 1-4 [--first 0] [--last 400] --out 'bench{n}.par'\n"
        "  halyard-service params    download --benches 2 --allow-flash-store FILE\n"
        "  halyard-service params    read|write|store|load --bench 1 --param N [--text T]\n"
        "  halyard-service cal       load|check --benches 1,3 FILE.CAL\n"
        "\n"
        "The service procedures of the program's windows (firmware upgrade, parameter upload and\n"
        "download, the flash parameter editor's requests, calibration load and check) without a\n"
        "window, on several benches at the same time: each bench has its own port, step machine,\n"
        "files and trace. Same requests, retries, time-outs and checks as the windows; the same\n"
        "parameter, .CAL and trace file formats.\n"
        "\n"
        "Benches and ports:\n"
        "  --benches LIST      benches 1 to 4, as 1,3 or 1-4 (--bench N for one)\n"
        "  --port K=COMn       bench K on port COMn; bench k is on COMk otherwise (as in the window)\n"
        "  --baud RATE         9600, 19200 (default), 38400, 57600 or 115200\n"
        "\n"
        "Files ({n} in a name stands for the bench number, 1 to 4; C:\\ names reach the drive C folder):\n"
        "  FILE                the firmware, parameter or .CAL file; with {n}, one file per bench\n"
        "  --out PATTERN       upload: the file each bench's parameters go to (must hold {n} for\n"
        "                      several benches)\n"
        "  --overwrite         upload: replace files that exist (the window asks; without this\n"
        "                      the run stops before any bench is touched)\n"
        "  --trace PATTERN     the trace of each bench's parameter or calibration run\n"
        "                      (default tryfile-{n}.txt in the working directory; the window writes\n"
        "                      one tryfile.txt, which benches in parallel cannot share)\n"
        "  --param-list FILE   names of uploaded parameters (default ParamLst.c, as the window)\n"
        "\n"
        "Parameters:\n"
        "  --first N, --last N upload: parameter numbers (default 0 and 400); a bench whose list\n"
        "                      ends earlier is uploaded up to its end\n"
        "  --param N           read|write|store|load: the parameter, 0 to 400\n"
        "  --text T            write: the value text; blanks are taken out, as the editor does\n"
        "\n"
        "Safety:\n"
        "  --allow-flash-store needed by everything that stores to flash (params store, params\n"
        "                      download, cal load): the role of the window's C:\\Flash.Ok marker;\n"
        "                      params store also refuses parameters of the RAM bank\n"
        "  --dry-run           check the files and that each bench answers (System Identification);\n"
        "                      send nothing that changes a bench\n"
        "  Firmware, parameter and .CAL files are read and checked whole before any bench is\n"
        "  touched (the firmware with the window's own check).\n"
        "\n"
        "Time-outs:\n"
        "  A request unanswered for 36 ticks (about 2 s) is a time-out; parameter transfers repeat\n"
        "  it up to 10 times, calibration steps wait 0.5 to 4 s and compare up to 3 times, as the\n"
        "  windows do.\n"
        "  --timeout S         upgrade: give up a bench after S seconds without any reply (default\n"
        "                      30; the window waits for ever); End Flash Download is sent\n"
        "\n"
        "Output:\n"
        "  On a terminal one progress line per bench (stage, done of total, retries) on standard\n"
        "  error, then one result line per bench and a summary. Values read by params read and\n"
        "  load go to standard output.\n"
        "  --json              one JSON object per line on standard output for each event:\n"
        "                      {\"bench\":1,\"port\":\"COM1\",\"stage\":\"programming\",\n"
        "                       \"progress\":{\"done\":12,\"total\":2048,\"retries\":0},\n"
        "                       \"result\":null|\"ok\"|\"failed\",\"message\":\"...\"}\n"
        "                      and last {\"summary\":{\"ok\":[...],\"failed\":[...]},\"exit\":N}\n"
        "\n"
        "Exit status: 0 every bench succeeded, 1 any failed (the summary names which and why),\n"
        "2 bad usage. SIGINT and SIGTERM cancel cleanly: a firmware download in progress is ended\n"
        "with End Flash Download, files are closed, and the exit status is 1.\n"
        "\n"
        "  --help              this text\n");
}
