#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include <QString>

class LogFile;

// Messages of the history copy and reading (caption "Information").
inline constexpr const char* kFileCopyFailed = "File Copy Failed!";
inline constexpr const char* kFileLogOpenFailed = "File Log Open Failed!";
inline constexpr const char* kFileHistoryOpenFailed = "File History Open Failed!";

// "c:\history.log" on this machine.
QString HistoryFilePath();

// Copies src to dst in blocks of 4096 bytes until a read returns nothing.
bool CopyFile(std::FILE* src, std::FILE* dst);

struct HistoryCopyResult {
    bool Ran = false;                // a log file was open, so the copy was tried
    bool LogClosed = false;          // the log could not be reopened and is closed now
    std::vector<QString> Messages;   // to show, in order, once the copy is over
};

// History steps 1 and 2: when the log is open, copies it into `historyPath`
// (replacing that file) and reopens the log for appending. HistoryCopyBusy is
// set only while the log is closed or open for reading; the messages are left
// to the caller so rows completed while a box is open are logged again.
HistoryCopyResult CopyLogToHistory(LogFile& log, const QString& historyPath);

// History step 3: the lines of the history file as ReadLine gives them
// (long lines in pieces). False when the file cannot be opened.
bool ReadHistoryFile(const QString& historyPath, std::vector<std::string>& lines);
