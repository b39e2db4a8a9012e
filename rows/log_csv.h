#pragma once
#include <QString>
#include <functional>
#include <QStringList>

#include "rows/log_reader.h"

class QIODevice;

// Conversion of a data log (Latin-1, CR LF, fields run together without
// separators) into CSV that pandas and spreadsheet programs read as it is:
// UTF-8 (all ASCII in practice), comma separated, fields quoted as RFC 4180
// asks, CR LF line ends (the RFC's own; pandas, Python's csv module and
// spreadsheets all take them), dot decimal point, one header row.
//
// Columns: "Time" (ISO 8601 date and time "yyyy-MM-dd HH:mm:ss", with the
// blank RFC 3339 allows in place of the "T", which spreadsheets take as a date),
// "Kind" (Raw, Mean, STDEV, Comment, or "Raw/Mean" where the log cannot tell a
// raw row from a mean row: no gas columns and no STDEV lines), "Run" (1 for the
// first header line of the file, 2 for the next, ...), then "Accept" and
// "RTime [s]" when the log has them, then one column per bench and value,
// e.g. "Bench 1 CO2 [%]", group by group in the log's order, and last
// "Comment" when the log holds comments.

// Explanation for --help texts and the export dialog's report.
inline constexpr const char* kLogCsvNotes =
    "The log's header line does not record which ports were open, so \"Bench k\" is the k-th\n"
    "bench of the run's layout (bench 3 alone is \"Bench 1\"). A file holding several runs\n"
    "(Start after Stop, Append to file) gets the union of the runs' columns; a row leaves\n"
    "the columns its run did not log empty, and the \"Run\" column tells the runs apart.\n"
    "The date comes from the creation, appending and comment lines and moves on by a day\n"
    "when the time of day falls back by more than 12 hours. Lines that are neither log\n"
    "lines nor comment text are skipped and counted.\n";

// The date and time formats the log's lines were written with (see log_reader.h).
using LogCsvFormats = LogFormats;

struct LogCsvResult {
    bool Ok = false;        // false: the input is no log file, or reading or writing failed
    int Runs = 0;           // header lines
    int Rows = 0;           // CSV rows written below the header row
    int SkippedLines = 0;   // lines that were not understood
    int FirstSkippedLine = 0;  // 1-based line number of the first of them
    int UnreadTimes = 0;    // time cells whose text matched no time format (left empty)
    QString Message;        // the error, or a summary with the warnings
};

// Reads the whole log from `log` (seekable: it is read twice, first to find
// the columns, then to write them) and writes the CSV to `csv`.
// `progress` (may be empty) is called every few thousand lines, and sooner where
// lines are costly to read: a window lets its event loop serve the ports there,
// so a long export does not stall the benches.
using LogCsvProgress = std::function<void()>;
LogCsvResult ConvertLogToCsv(QIODevice& log, QIODevice& csv, const LogCsvFormats& formats,
                             const LogCsvProgress& progress = {});

// File level: the CSV is written in full or not at all (an existing file is
// replaced only on success). `message` gets the error or the summary.
bool exportLogToCsv(const QString& logPath, const QString& csvPath, QString* message,
                    const LogCsvFormats& formats = LogCsvFormats::System(), const LogCsvProgress& progress = {});
