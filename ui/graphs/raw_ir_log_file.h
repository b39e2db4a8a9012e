#pragma once
#include <QFile>
#include <QString>
#include <cstdint>
#include <string>

// The raw IR log file: a header line, then one line per logged sample with the
// four channel values, every line ended by a line feed, Latin-1 text. The
// file holds at most MaxLines lines, header included; later lines are counted
// but not written.
class RawIrLogFile {
public:
    static constexpr int MaxLines = 99999;

    // "%+4d  %+4d  %+4d  %+4d " of the four channel values.
    static std::string FormatLine(int32_t co2, int32_t nh3, int32_t freon, int32_t ref);
    // "DataLogfile <path> created <when>".
    static std::string Header(const QString& path, const QString& when);

    // Creates (or truncates) the file and writes the header; the line count is then 1.
    // False when the file cannot be created or written.
    bool Open(const QString& path, const std::string& header);
    void Close();
    bool IsOpen() const { return File.isOpen(); }
    int LineCount() const { return Count; }

    enum class Outcome {
        Written,
        JustFull, // this line is the first past the limit: not written
        Dropped,  // the file was already full
        Failed    // the write failed
    };
    // Counts the line and writes it (with its line feed) while the file has room.
    Outcome Add(const std::string& line);
    // Hands the buffered lines to the system; false on a write error.
    bool Flush();

private:
    QFile File;
    int Count = 0;
};
