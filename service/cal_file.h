#pragma once
// Reader of calibration constant files (".CAL"): the serial number line, the
// four temperature lines, and the coefficient records, in file order. It never
// reads past the data it was asked for; every malformed line ends the reading
// with an error text.
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// One record read from the file: the value texts as they go to the bench and
// their 32-bit float values for the comparison.
struct CalValues {
    std::vector<std::string> Texts;
    std::vector<float> Numbers;
    // The texts joined with commas, nothing else between them.
    std::string Joined() const;
};

class CalFileReader {
public:
    // Longest line the file may hold (line end not counted).
    static constexpr size_t kMaxLineLength = 4049;

    explicit CalFileReader(std::istream& in) : in_(in) {}

    // The serial number line: its first token. False on an error.
    bool ReadSerialNumber(std::string* serial);
    // One temperature line: cell temperature, detector temperature, pressure,
    // taken exactly as written.
    bool ReadTemperatureLine(CalValues* values);
    // A coefficient record of `lines` data lines with `perLine` numbers each;
    // the file's ways of writing zero become "0".
    bool ReadCoefficients(int lines, int perLine, CalValues* values);

    // Why the last read failed.
    const std::string& Error() const { return error_; }
    // 1-based number of the last line read.
    int LineNumber() const { return lineNumber_; }

    // True when the whole token is a decimal number (sign, digits, point,
    // exponent); `value` receives it as a 32-bit float.
    static bool ParseNumber(const std::string& token, float* value);
    // "0" for the file's spellings of zero, else the token unchanged.
    static std::string ReplaceZero(const std::string& token);
    // Data tokens of a line, or none when the line carries no data (comment,
    // section header, blank).
    static std::vector<std::string> DataTokens(const std::string& line);

private:
    // Next line that carries data, split into tokens.
    bool NextDataLine(std::vector<std::string>* tokens);
    bool ReadNumbers(int count, bool replaceZero, CalValues* values);
    bool Fail(const std::string& why);

    std::istream& in_;
    std::string error_;
    int lineNumber_ = 0;
};
