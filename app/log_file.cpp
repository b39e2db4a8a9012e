#include "log_file.h"

#include <QStringList>

#include "text_lines.h"

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
    File = OpenFile(path, mode);
    return File != nullptr;
}

bool LogFile::OpenWithFirstLine(const QString& path, const char* mode, const std::string& line)
{
    if (!OpenWith(path, mode))
        return false;
    WriteLine(File, line);
    std::fflush(File);
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
    return OpenWithFirstLine(path, "ab",
                             "Logfile " + ToLatin1(path) + " opened for appending " + Clock.DateTime(Clock.NowSeconds()));
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

bool LogFile::Check(bool ok)
{
    return ok && std::fflush(File) == 0;
}

bool LogFile::WriteHeaderLine(std::string_view line)
{
    if (!File || Suspended)
        return false;
    return Check(WriteLine(File, line));
}

bool LogFile::WriteEmptyLine()
{
    if (!File || Suspended)
        return false;
    return Check(std::fwrite("\r\n", 1, 2, File) == 2);
}

bool LogFile::WriteComment(const std::vector<std::string>& lines)
{
    if (!File || Suspended)
        return false;
    bool ok = WriteLine(File, "\r\n");
    ok = WriteLine(File, Clock.DateTime(Clock.NowSeconds())) && ok;
    if (lines.empty())
        ok = WriteLine(File, "") && ok;
    for (const std::string& line : lines)
        ok = WriteLine(File, line) && ok;
    return Check(ok);
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
    bool ok = WriteLine(File, line);
    if (stdevLine) {
        ok = WriteLine(File, *stdevLine) && ok;
        ++Lines;
    }
    if (Check(ok))
        return RowResult::Written;
    if (FailureReported)
        return RowResult::FailedAgain;
    FailureReported = true;
    return RowResult::Failed;
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
    return File != nullptr;
}
