#include "ui/graphs/raw_ir_log_file.h"

#include <cstdio>

std::string RawIrLogFile::FormatLine(int32_t co2, int32_t nh3, int32_t freon, int32_t ref)
{
    // Four values of at most 11 characters each, their separators and the end: well inside 64.
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%+4d  %+4d  %+4d  %+4d ", int(co2), int(nh3), int(freon), int(ref));
    return std::string(text, size_t(n > 0 ? n : 0));
}

std::string RawIrLogFile::Header(const QString& path, const QString& when)
{
    return (QStringLiteral("DataLogfile ") + path + QStringLiteral(" created ") + when).toLatin1().toStdString();
}

bool RawIrLogFile::Open(const QString& path, const std::string& header)
{
    Close();
    File.setFileName(path);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    Count = 1;
    const std::string line = header + '\n';
    if (File.write(line.data(), qint64(line.size())) != qint64(line.size()) || !File.flush()) {
        Close();
        return false;
    }
    return true;
}

void RawIrLogFile::Close()
{
    if (File.isOpen())
        File.close();
}

RawIrLogFile::Outcome RawIrLogFile::Add(const std::string& line)
{
    ++Count;
    if (Count > MaxLines + 1)
        return Outcome::Dropped;
    if (Count == MaxLines + 1)
        return Outcome::JustFull;
    if (File.write(line.data(), qint64(line.size())) != qint64(line.size()) || !File.putChar('\n'))
        return Outcome::Failed;
    return Outcome::Written;
}

bool RawIrLogFile::Flush()
{
    return !File.isOpen() || File.flush();
}
