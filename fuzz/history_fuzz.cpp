// The history reader's line reading against a plain model of its line rules: lines end at LF or CR LF (a lone CR is
// text), a line comes back in pieces of at most 498 characters with no empty piece after a full one,
// and a piece holding one blank reads as empty.
#include <QString>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "rows/text_lines.h"

namespace {

std::vector<std::string> ModelPieces(const std::string& data)
{
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\n' || (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')) {
            if (c == '\r')
                ++i;
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line.push_back(c);
            open = true;
        }
    }
    if (open)
        lines.push_back(line);

    std::vector<std::string> pieces;
    for (const std::string& l : lines) {
        if (l.empty())
            pieces.emplace_back();
        for (size_t at = 0; at < l.size(); at += 498)
            pieces.push_back(l.substr(at, 498));
    }
    for (std::string& p : pieces)
        if (p == " ")
            p.clear();
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 1 << 16)
        return 0;
    // The history file is read line by line from a stdio stream, as here from memory.
    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    FUZZ_CHECK(file);
    std::vector<std::string> lines;
    std::string text;
    int n;
    while ((n = ReadLine(file, text)) >= 0) {
        FUZZ_CHECK(n == int(text.size()) && n <= kReadLinePiece);
        lines.push_back(text);
    }
    std::fclose(file);
    FUZZ_CHECK(lines == ModelPieces(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
