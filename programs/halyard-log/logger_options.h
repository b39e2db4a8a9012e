#pragma once
#include <QString>
#include <QStringList>

#include <array>

// What halyard-log was asked to do, read from its command line.
struct LoggerOptions {
    std::array<bool, 4> Benches{};   // --benches 1,3: bench k (0..3) is switched on
    int AveragingMode = 0;           // --averaging none | mean | mean+stdev (0, 1, 2 as the window's group)
    int SamplesPerBlock = 4;         // --samples N, the window's "4" by default
    QString LogPath;                 // --log FILE ("C:\name" maps to the drive C folder)
    bool Append = false;             // --append: continue FILE instead of creating it
    int Minutes = 0;                 // --minutes N: stop after N minutes; 0 runs until a signal
    bool Rotate = false;             // --rotate: at the line limit go on in FILE-002.LOG, ...
    int Baud = 19200;                // --baud RATE, one of the communications dialog's rates
    QString CsvPath;                 // --csv FILE: convert the --log file to CSV, no benches
    QString PlotPath;                // --plot LOG: draw the log as a chart into --out, no benches
    QString OutPath;                 // --out FILE.png|.svg|.pdf
    QString From, To;                // --from T, --to T: the time range drawn (as given)
    QStringList Columns;             // --columns A,B: the benches and values drawn; all when empty
    int Width = 1200, Height = 700;  // --size WxH of the picture
    bool Help = false;               // --help
};

struct LoggerOptionsResult {
    LoggerOptions Options;
    // Empty when the command line was good; else the message for the user.
    QString Error;
};

// Parses the arguments after the program name. Options take their value as the next
// argument or after '=' ("--samples 4", "--samples=4").
LoggerOptionsResult ParseLoggerOptions(const QStringList& args);

// The --help text.
QString LoggerUsage();

// The log path as a file name of this machine: "C:\x" goes to the drive C folder.
QString LoggerLogFile(const QString& given);

// The name of continuation file n (2, 3, ...) of a log: "run.LOG" -> "run-002.LOG".
QString ContinuationFileName(const QString& path, int n);
