#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "rows/calendar_clock.h"

// Messages the main window shows (caption "Information") for log file results.
inline constexpr const char* kLogFileProblem = "Problem with log file!";
inline constexpr const char* kLogFileFull = "Log File is full";

// The data log: one text file at a time, open from New File or Append until
// Close. Lines are Latin-1 with CR LF (WriteLine). Every logged row is flushed
// at once so nothing the grid showed as logged is lost by a crash.
// The file only ever gains whole lines: a write that fails (a full disk) is cut
// back to the end of the last whole line, so the next write after space returns
// starts a line of its own, and continuing a file whose last line was cut short
// (a crash) starts on a new line.
class LogFile {
public:
    static constexpr int kLineLimit = 2160000;

    explicit LogFile(CalendarClock clock = CalendarClock::System());
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // New File: closes the current file, then creates `path` as a new, empty
    // file (replacing one that exists: the save dialog asked) and writes the
    // creation line. False: nothing is open ("Problem with log file!").
    bool Create(const QString& path);
    // Append to file: closes the current file, then opens `path` for writing
    // at its end (its contents are kept) and writes the appending line.
    bool Append(const QString& path);
    // Close File: flushes and closes; nothing when no file is open.
    void Close();

    // LogFileOpen: also true while the history copy has the file suspended.
    bool IsOpen() const { return File != nullptr || Suspended; }
    // The path last chosen for New File or Append (kept after Close).
    const QString& FileName() const { return Name; }
    // Lines counted against the limit: 1 after New File or Append.
    int LinesWritten() const { return Lines; }
    int LineLimit() const { return Limit; }
    void SetLineLimit(int limit) { Limit = limit; }

    // Set while the history copy has the file closed or open for reading:
    // logged rows are then neither written nor counted.
    bool HistoryCopyBusy() const { return CopyBusy; }
    void SetHistoryCopyBusy(bool busy) { CopyBusy = busy; }

    // Header line of Start (not counted).
    bool WriteHeaderLine(std::string_view line);
    // Stop: a bare line end, flushed.
    bool WriteEmptyLine();
    // Comment block: two empty lines, the date and time, then each line of the
    // comment (an empty comment still writes one line).
    bool WriteComment(const std::vector<std::string>& lines);
    bool WriteComment(const QString& memoText);

    enum class RowResult {
        Written,
        NotWritten, // no file open, or the history copy is busy
        Full,       // over the limit (already reported for this file)
        FirstFull,  // over the limit for the first time: show "Log File is full"
        Failed,     // the write failed: shown once per file as "Problem with log file!"
        FailedAgain
    };
    // A logged row: its line and, in Mean+STDEV mode, its STDEV line; counts,
    // applies the limit and flushes.
    RowResult WriteRow(std::string_view line, const std::string* stdevLine);

    // After a write that failed: true the first time for this file, so the problem is
    // shown once however many writes fail while the disk stays full.
    bool ReportFailure();
    // Why the last write failed, from the system ("No space left on device").
    const std::string& FailureReason() const { return Failure; }
    // "Problem with log file!" and, when a write failed, the file and why.
    QString ProblemText() const;

    // History copy support: the open file's handle and a reopen for appending.
    std::FILE* Handle() const { return File; }
    // Flushes and closes the handle but keeps the file logically open.
    bool Suspend();
    // Reopens the suspended file for appending; on failure the file is closed for good.
    bool Resume();

private:
    bool OpenWith(const QString& path, const char* mode);
    // Opens, writes the creation or appending line and counts it. startOnNewLine: the file
    // ends inside a line, which the first line must not be glued to.
    bool OpenWithFirstLine(const QString& path, const char* mode, const std::string& line, bool startOnNewLine = false);
    // Whether a write may go ahead; first ends a line that could not be cut back.
    bool Writable();
    // Flushes what ok says was written; on failure cuts the file back to its last whole line.
    bool Commit(bool ok);
    void RememberLength();

    CalendarClock Clock;
    std::FILE* File = nullptr;
    QString Name;
    bool Suspended = false;
    int Lines = 0;
    int Limit = kLineLimit;
    bool FullReported = false;
    bool FailureReported = false;
    bool CopyBusy = false;
    // Bytes up to the end of the last whole line; -1 when unknown.
    long long WholeLength = -1;
    // A failed write whose part could not be cut off: the next write starts a new line.
    bool Torn = false;
    std::string Failure;
};
