#pragma once
// The parameter file that upload writes and download reads: per parameter a
// line "// <number> <name> " and a line with the value text.
#include <cstdint>
#include <string>

class QIODevice;

// Longest line taken from a parameter file (line end excluded).
inline constexpr int kParamFileLineMax = 4051;
// Longest value text a Write Flash Parameters request can carry with the
// terminating zero the download counts in.
inline constexpr int kParamValueMax = 250;

// The two lines of one uploaded parameter. Every comma of the bench's text is
// followed by a tab; the text ends at its first line feed (kept) or zero byte.
std::string UploadEntryLines(int number, const std::string& name, const uint8_t* value, int length);

// The value text of a reply: its bytes up to the first zero byte.
std::string ReplyValueText(const uint8_t* value, int length);

// Reads a parameter file one step at a time, the way download walks it.
class ParamFileReader {
public:
    enum class Kind { End, Blank, Entry, Error };
    struct Step {
        Kind What = Kind::End;
        int Number = 0;
        std::string Value;     // blanks and line ends removed
        const char* ErrorText = ""; // for Kind::Error
    };

    explicit ParamFileReader(QIODevice& file) : file_(file) {}
    Step Next();

private:
    // One line without its line end; false at the end of the file.
    bool ReadLine(std::string* line, bool* tooLong);

    QIODevice& file_;
};
