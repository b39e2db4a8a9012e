// halyard-log: the benches' data rows into a log file, without a window.
#include "feed/feed_publisher.h"
#include "programs/halyard-log/headless_logger.h"
#include "programs/halyard-log/logger_feed.h"
#include "rows/log_csv.h"
#include "programs/halyard-log/log_plot.h"
#include "programs/halyard-log/logger_options.h"
#include "programs/halyard-log/progress_line.h"
#include "programs/common/stop_signals.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kPollMs = 1000;
constexpr int kProgressMs = 5000;
// Time for the stop requests to leave the ports before they close.
constexpr int kDrainMs = 200;

void PrintError(const QString& text) { std::fprintf(stderr, "halyard-log: %s\n", text.toLocal8Bit().constData()); }

// The window's boxes as lines on standard error.
struct StderrSink : IMessageSink {
    void Show(const QString& caption, const QString& text, Icon) override
    {
        PrintError(caption + QStringLiteral(": ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
};

} // namespace

// --plot paints its picture: fonts need a QGuiApplication, which runs here on the
// offscreen platform, so no screen or desktop is needed.
int Plot(int argc, char** argv, const LoggerOptions& options)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's remarks on the session (no runtime folder and the like)
    // say nothing about the picture; anything else Qt says still goes to standard error.
    static QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:")))
            return;
        previous(type, context, text);
    });
    QGuiApplication app(argc, argv);
    const PlotResult result = PlotLog(options);
    PrintError(result.Message);
    return result.Ok ? 0 : 1;
}

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    {
        const LoggerOptionsResult plot = ParseLoggerOptions(args);
        if (plot.Error.isEmpty() && !plot.Options.Help && !plot.Options.PlotPath.isEmpty())
            return Plot(argc, argv, plot.Options);
    }
    QCoreApplication app(argc, argv);
    const FeedOptionsResult feedOptions = TakeFeedOptions(args);
    if (!feedOptions.Error.isEmpty()) {
        PrintError(feedOptions.Error);
        std::fprintf(stderr, "Try 'halyard-log --help'.\n");
        return 2;
    }
    const LoggerOptionsResult parsed = ParseLoggerOptions(args);
    if (!parsed.Error.isEmpty()) {
        PrintError(parsed.Error);
        std::fprintf(stderr, "Try 'halyard-log --help'.\n");
        return 2;
    }
    const LoggerOptions& options = parsed.Options;
    if (options.Help) {
        std::fputs(LoggerUsage().toLocal8Bit().constData(), stdout);
        std::fputs(FeedOptionsUsage().toLocal8Bit().constData(), stdout);
        std::fputs("\nCSV conversion:\n", stdout);
        std::fputs(kLogCsvNotes, stdout);
        return 0;
    }
    if (!options.CsvPath.isEmpty()) {
        QString message;
        const bool ok = exportLogToCsv(LoggerLogFile(options.LogPath), options.CsvPath, &message);
        PrintError(message);
        return ok ? 0 : 1;
    }

    StopSignals stopSignals;
    StderrSink messages;
    HeadlessLogger logger(options, messages);
    // Declared after the logger, so it ends first.
    AttachFeed(logger, feedOptions.Settings);
    QString error;
    if (!logger.OpenPorts(&error) || !logger.Start(&error)) {
        PrintError(error);
        logger.Stop();
        return 1;
    }

    int exitCode = 0;
    auto finish = [&](int code) {
        exitCode = std::max(exitCode, code);
        logger.Stop();
        QTimer::singleShot(kDrainMs, &app, &QCoreApplication::quit);
    };
    logger.Failed = [&] { finish(1); };
    QObject::connect(&stopSignals, &StopSignals::StopRequested, &app, [&](int) { finish(0); });

    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (!logger.Stopped())
            logger.PollTick();
    });
    poll.start();

    QTimer progress;
    if (::isatty(STDERR_FILENO)) {
        progress.setInterval(kProgressMs);
        QObject::connect(&progress, &QTimer::timeout, &app, [&] {
            if (!logger.Stopped())
                std::fprintf(stderr, "%s\n", ProgressLine(logger).toLocal8Bit().constData());
        });
        progress.start();
    }
    // Counted a minute at a time: a long run would overflow one timer's milliseconds.
    QTimer minutes;
    int minutesLeft = options.Minutes;
    if (minutesLeft > 0) {
        minutes.setInterval(60 * 1000);
        QObject::connect(&minutes, &QTimer::timeout, &app, [&] {
            if (--minutesLeft == 0)
                finish(0);
        });
        minutes.start();
    }

    app.exec();
    std::fprintf(stderr, "halyard-log: %d rows logged, %d time-outs\n", logger.RowsLogged(), logger.Timeouts());
    return exitCode;
}
