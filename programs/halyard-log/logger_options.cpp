#include "programs/halyard-log/logger_options.h"

#include "link/paths.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200};

bool ParseWhole(const QString& text, int& out)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return false;
    out = text.toInt();
    return true;
}

QString ParseBenches(const QString& text, std::array<bool, 4>& benches)
{
    benches = {};
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString& item : items) {
        int n = 0;
        if (!ParseWhole(item.trimmed(), n) || n < 1 || n > 4)
            return QStringLiteral("--benches takes bench numbers 1 to 4 separated by commas, not \"%1\"").arg(text);
        if (benches[n - 1])
            return QStringLiteral("--benches names bench %1 twice").arg(n);
        benches[n - 1] = true;
    }
    return {};
}

} // namespace

LoggerOptionsResult ParseLoggerOptions(const QStringList& args)
{
    LoggerOptionsResult r;
    LoggerOptions& o = r.Options;
    bool benchesGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        QString value;
        bool hasValue = false;
        const int eq = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        const bool flag = name == QLatin1String("--append") || name == QLatin1String("--rotate") || name == QLatin1String("--help")
            || name == QLatin1String("-h");
        const bool takesValue = name == QLatin1String("--benches") || name == QLatin1String("--averaging")
            || name == QLatin1String("--samples") || name == QLatin1String("--log") || name == QLatin1String("--minutes")
            || name == QLatin1String("--baud") || name == QLatin1String("--csv") || name == QLatin1String("--plot")
            || name == QLatin1String("--out") || name == QLatin1String("--from") || name == QLatin1String("--to")
            || name == QLatin1String("--columns") || name == QLatin1String("--size");
        if (!flag && !takesValue) {
            r.Error = QStringLiteral("unknown option \"%1\"").arg(args[i]);
            return r;
        }
        if (flag && hasValue) {
            r.Error = QStringLiteral("%1 takes no value").arg(name);
            return r;
        }
        if (takesValue && !hasValue) {
            if (i + 1 >= args.size()) {
                r.Error = QStringLiteral("%1 needs a value").arg(name);
                return r;
            }
            value = args[++i];
        }

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.Help = true;
        } else if (name == QLatin1String("--append")) {
            o.Append = true;
        } else if (name == QLatin1String("--rotate")) {
            o.Rotate = true;
        } else if (name == QLatin1String("--benches")) {
            r.Error = ParseBenches(value, o.Benches);
            benchesGiven = true;
        } else if (name == QLatin1String("--averaging")) {
            const QString v = value.toLower();
            if (v == QLatin1String("none"))
                o.AveragingMode = 0;
            else if (v == QLatin1String("mean"))
                o.AveragingMode = 1;
            else if (v == QLatin1String("mean+stdev"))
                o.AveragingMode = 2;
            else
                r.Error = QStringLiteral("--averaging takes none, mean or mean+stdev, not \"%1\"").arg(value);
        } else if (name == QLatin1String("--samples")) {
            // As the window's entry: a whole number of 0 or more.
            if (!ParseWhole(value, o.SamplesPerBlock))
                r.Error = QStringLiteral("Number of samples must be a whole number of 0 or more, not \"%1\"").arg(value);
        } else if (name == QLatin1String("--log")) {
            if (value.isEmpty())
                r.Error = QStringLiteral("--log needs a file name");
            o.LogPath = value;
        } else if (name == QLatin1String("--csv")) {
            if (value.isEmpty())
                r.Error = QStringLiteral("--csv needs a file name");
            o.CsvPath = value;
        } else if (name == QLatin1String("--plot")) {
            if (value.isEmpty())
                r.Error = QStringLiteral("--plot needs a log file");
            o.PlotPath = value;
        } else if (name == QLatin1String("--out")) {
            static const QRegularExpression picture(QStringLiteral("\\.(png|svg|pdf)$"),
                                                    QRegularExpression::CaseInsensitiveOption);
            if (!picture.match(value).hasMatch())
                r.Error = QStringLiteral("--out takes a file name ending in .png, .svg or .pdf, not \"%1\"").arg(value);
            o.OutPath = value;
        } else if (name == QLatin1String("--from") || name == QLatin1String("--to")) {
            static const QRegularExpression time(
                QStringLiteral("^([0-9]{4}-[0-9]{2}-[0-9]{2}[ T])?[0-9]{1,2}:[0-9]{2}(:[0-9]{2})?$"));
            if (!time.match(value.trimmed()).hasMatch())
                r.Error = QStringLiteral("%1 takes a time as HH:mm[:ss] or yyyy-MM-dd HH:mm[:ss], not \"%2\"")
                              .arg(name, value);
            (name == QLatin1String("--from") ? o.From : o.To) = value.trimmed();
        } else if (name == QLatin1String("--columns")) {
            o.Columns.clear();
            for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                if (!item.trimmed().isEmpty())
                    o.Columns << item.trimmed();
            if (o.Columns.isEmpty())
                r.Error = QStringLiteral("--columns needs names, for example --columns \"CO2,Bench 2\"");
        } else if (name == QLatin1String("--size")) {
            static const QRegularExpression size(QStringLiteral("^([0-9]{3,5})[xX]([0-9]{3,5})$"));
            const QRegularExpressionMatch m = size.match(value);
            const int w = m.hasMatch() ? m.captured(1).toInt() : 0, h = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (w < 100 || h < 100 || w > 20000 || h > 20000)
                r.Error = QStringLiteral("--size takes WIDTHxHEIGHT in pixels, 100 to 20000 each, not \"%1\"").arg(value);
            o.Width = w;
            o.Height = h;
        } else if (name == QLatin1String("--minutes")) {
            if (!ParseWhole(value, o.Minutes) || o.Minutes < 1)
                r.Error = QStringLiteral("--minutes takes a whole number of 1 or more, not \"%1\"").arg(value);
        } else if (name == QLatin1String("--baud")) {
            const bool known = ParseWhole(value, o.Baud)
                && std::find(std::begin(kBaudRates), std::end(kBaudRates), o.Baud) != std::end(kBaudRates);
            if (!known)
                r.Error = QStringLiteral("--baud takes 9600, 19200, 38400, 57600 or 115200, not \"%1\"").arg(value);
        }
        if (!r.Error.isEmpty())
            return r;
    }
    if (o.Help)
        return r;
    const bool plotOnly = !o.OutPath.isEmpty() || !o.From.isEmpty() || !o.To.isEmpty() || !o.Columns.isEmpty();
    if (!o.PlotPath.isEmpty() || plotOnly) {
        if (o.PlotPath.isEmpty())
            r.Error = QStringLiteral("--out, --from, --to, --columns and --size go with --plot LOG");
        else if (benchesGiven || !o.LogPath.isEmpty() || !o.CsvPath.isEmpty())
            r.Error = QStringLiteral("--plot draws an existing log: give it without --benches, --log and --csv");
        else if (o.OutPath.isEmpty())
            r.Error = QStringLiteral("--plot needs the picture to write (--out FILE.png, .svg or .pdf)");
        return r;
    }
    if (!o.CsvPath.isEmpty()) {
        if (benchesGiven)
            r.Error = QStringLiteral("--csv converts an existing log: give it with --log and without --benches");
        else if (o.LogPath.isEmpty())
            r.Error = QStringLiteral("--csv needs the log to convert (--log FILE)");
        return r;
    }
    if (!benchesGiven)
        r.Error = QStringLiteral("--benches is missing (for example --benches 1,3)");
    else if (o.LogPath.isEmpty())
        r.Error = QStringLiteral("--log is missing (for example --log run.LOG)");
    return r;
}

QString LoggerUsage()
{
    return QStringLiteral(
        "usage: halyard-log --benches LIST --log FILE [options]\n"
        "       halyard-log --log FILE --csv CSVFILE\n"
        "       halyard-log --plot FILE --out PICTURE [--from T] [--to T] [--columns LIST] [--size WxH]\n"
        "Streams the chosen benches into a log file without a window: the same creation line,\n"
        "header, rows and Stop line as the main window writes with the same settings.\n"
        "\n"
        "  --benches LIST        benches to log, numbers 1 to 4 separated by commas (1,3);\n"
        "                        bench n is on port COMn\n"
        "  --log FILE            the log file; created new (an existing file is not replaced)\n"
        "                        unless --append is given. \"C:\\name\" means the drive C folder\n"
        "  --append              continue FILE: its lines are kept, an appending line is written\n"
        "  --averaging MODE      none (every sample a row), mean, or mean+stdev; default none\n"
        "  --samples N           samples per averaged block, 0 or more; default 4\n"
        "  --minutes N           stop after N minutes; without it, run until SIGINT, SIGTERM or\n"
        "                        SIGHUP\n"
        "  --rotate              when FILE reaches the line limit, go on in FILE-002.LOG,\n"
        "                        FILE-003.LOG, ... (the same header); without it logging stops\n"
        "                        with \"Log File is full\"\n"
        "  --baud RATE           9600, 19200, 38400, 57600 or 115200; default 19200\n"
        "  --csv CSVFILE         no logging: convert the --log file to CSV (replaced only when\n"
        "                        the conversion succeeds) and end\n"
        "  --plot FILE           no logging: draw the log FILE as a chart into --out and end\n"
        "  --out PICTURE         the picture: .png, .svg or .pdf (replaced only when drawn)\n"
        "  --from T, --to T      the time range drawn, HH:mm[:ss] (the first such time of the\n"
        "                        log, --to the first after --from) or yyyy-MM-dd HH:mm[:ss];\n"
        "                        default the whole log\n"
        "  --columns LIST        benches and values to draw, separated by commas: \"Bench 2\",\n"
        "                        \"CO2\", \"NO [ppm]\", \"Bench 1 O2\" (a bench and a value); a value\n"
        "                        is drawn for every bench named, all when none is; default all\n"
        "  --size WxH            picture size in pixels (PDF: points); default 1200x700\n"
        "  --help                this text\n"
        "\n"
        "On a terminal a progress line is printed every few seconds. SIGINT, SIGTERM or SIGHUP (a\n"
        "closed terminal; not when started under nohup) stops the benches, writes the Stop line\n"
        "and closes the log. A bench whose device goes away gets blank cells in the rows (the\n"
        "others go on) until the device is back under the same name; it is then opened again\n"
        "and asked for its data. So does a bench that is silent or has not replied yet: a row\n"
        "never repeats a value as if it were new. When the disk is full the run ends with the\n"
        "reason, and the log keeps whole lines only.\n"
        "Ports: COMn is <devices>/COMn when it exists, else /dev/ttyS(n-1); <devices> is\n"
        "$HALYARD_DEVICES. Exit status: 0 done, 1 a port or the log failed, 2 a bad option.\n");
}

QString LoggerLogFile(const QString& given)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    return drive.match(given).hasMatch() ? Paths::DriveCPath(given) : given;
}

QString ContinuationFileName(const QString& path, int n)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString number = QStringLiteral("-%1").arg(n, 3, 10, QLatin1Char('0'));
    if (dot > slash + 1)
        return path.left(dot) + number + path.mid(dot);
    return path + number;
}
