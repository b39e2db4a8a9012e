#include "rows/log_file.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rows/text_lines.h"

namespace {
// The file exists and its last byte is not a line end: its last line was cut short.
bool EndsInsideALine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || !file.seek(file.size() - 1))
        return false;
    char last = 0;
    return file.getChar(&last) && last != '\n';
}
} // namespace

LogFile::LogFile(CalendarClock clock) : Clock(std::move(clock)) {}

LogFile::~LogFile()
{
    Close();
}

bool LogFile::OpenWith(const QString& path, const char* mode)
{
    Close();
    Name = path;
    Lines = 0;
    FullReported = FailureReported = false;
    Failure.clear();
    Torn = false;
    File = OpenFile(path, mode);
    RememberLength();
    return File != nullptr;
}

bool LogFile::OpenWithFirstLine(const QString& path, const char* mode, const std::string& line, bool startOnNewLine)
{
    if (!OpenWith(path, mode))
        return false;
    Torn = startOnNewLine;
    Commit(Writable() && WriteLine(File, line));
    Lines = 1;
    return true;
}

bool LogFile::Create(const QString& path)
{
    return OpenWithFirstLine(path, "wb",
                             "MainLogfile " + ToLatin1(path) + " created " + Clock.ShortDate(Clock.NowSeconds()));
}

bool LogFile::Append(const QString& path)
{
    // "ab" never truncates: whatever the file holds stays.
    const bool torn = EndsInsideALine(path);
    return OpenWithFirstLine(path, "ab",
                             "Logfile " + ToLatin1(path) + " opened for appending " + Clock.DateTime(Clock.NowSeconds()),
                             torn);
}

void LogFile::Close()
{
    if (File) {
        std::fflush(File);
        std::fclose(File);
        File = nullptr;
    }
    Suspended = false;
}

void LogFile::RememberLength()
{
    struct stat st {};
    WholeLength = File && ::fstat(::fileno(File), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

bool LogFile::Writable()
{
    if (!File || Suspended)
        return false;
    if (Torn) {
        // The piece of a failed write could not be cut off: end it as a line of its own.
        if (std::fwrite("\r\n", 1, 2, File) != 2 || std::fflush(File) != 0) {
            Commit(false);
            return false;
        }
        Torn = false;
        RememberLength();
    }
    return true;
}

bool LogFile::Commit(bool ok)
{
    if (!File)
        return false;
    if (ok && std::fflush(File) == 0) {
        RememberLength();
        return true;
    }
    const int error = errno;
    Failure = error != 0 ? std::strerror(error) : "write error";
    // Bytes still buffered would only complete a line the disk has no room for: drop them,
    // and cut off whatever part of the line reached the file.
    __fpurge(File);
    std::clearerr(File);
    Torn = WholeLength < 0 || ::ftruncate(::fileno(File), static_cast<off_t>(WholeLength)) != 0;
    std::fseek(File, 0, SEEK_END);
    return false;
}

bool LogFile::ReportFailure()
{
    if (FailureReported)
        return false;
    FailureReported = true;
    return true;
}

QString LogFile::ProblemText() const
{
    QString text = QString::fromLatin1(kLogFileProblem);
    if (!Failure.empty())
        text += QLatin1Char('\n') + Name + QStringLiteral(": ") + QString::fromLocal8Bit(Failure.c_str());
    return text;
}

bool LogFile::WriteHeaderLine(std::string_view line)
{
    return Writable() && Commit(WriteLine(File, line));
}

bool LogFile::WriteEmptyLine()
{
    return Writable() && Commit(std::fwrite("\r\n", 1, 2, File) == 2);
}

bool LogFile::WriteComment(const std::vector<std::string>& lines)
{
    if (!Writable())
        return false;
    bool ok = WriteLine(File, "\r\n");
    ok = WriteLine(File, Clock.DateTime(Clock.NowSeconds())) && ok;
    if (lines.empty())
        ok = WriteLine(File, "") && ok;
    for (const std::string& line : lines)
        ok = WriteLine(File, line) && ok;
    return Commit(ok);
}

bool LogFile::WriteComment(const QString& memoText)
{
    std::vector<std::string> lines;
    for (QString line : memoText.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.push_back(ToLatin1(line));
    }
    return WriteComment(lines);
}

LogFile::RowResult LogFile::WriteRow(std::string_view line, const std::string* stdevLine)
{
    if (!File || Suspended || CopyBusy)
        return RowResult::NotWritten;
    ++Lines;
    if (Lines >= Limit) {
        if (FullReported)
            return RowResult::Full;
        FullReported = true;
        return RowResult::FirstFull;
    }
    bool ok = Writable() && WriteLine(File, line);
    if (stdevLine) {
        ok = ok && WriteLine(File, *stdevLine);
        ++Lines;
    }
    if (Commit(ok))
        return RowResult::Written;
    return ReportFailure() ? RowResult::Failed : RowResult::FailedAgain;
}

bool LogFile::Suspend()
{
    if (!File || Suspended)
        return false;
    std::fflush(File);
    std::fclose(File);
    File = nullptr;
    Suspended = true;
    return true;
}

bool LogFile::Resume()
{
    if (!Suspended)
        return File != nullptr;
    Suspended = false;
    File = OpenFile(Name, "ab");
    RememberLength();
    return File != nullptr;
}
