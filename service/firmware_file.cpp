#include "service/firmware_file.h"

#include <fstream>

namespace {

// Reads one line up to its "\n" (the "\r" of a CR LF stays for the parser to pass
// over). Keeps at most kMaxFirmwareLineLength characters; *overlong tells of more.
// False at the end of the input.
bool ReadLine(std::streambuf& in, std::string* line, bool* overlong)
{
    line->clear();
    *overlong = false;
    int c = in.sbumpc();
    if (c == std::char_traits<char>::eof())
        return false;
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = in.sbumpc()) {
        if (line->size() < kMaxFirmwareLineLength)
            line->push_back(char(c));
        else
            *overlong = true;
    }
    return true;
}

bool Blank(const std::string& line)
{
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

FirmwareCheck Refuse(int line, const std::string& message)
{
    FirmwareCheck c;
    c.Error = {line, message};
    return c;
}

FirmwareCheck Invalid(int line, const std::string& what)
{
    return Refuse(line, "Invalid data in Hex file, line " + std::to_string(line) + ": " + what);
}

} // namespace

FirmwareCheck CheckFirmwareFile(std::istream& in)
{
    std::streambuf* buffer = in.rdbuf();
    if (!buffer)
        return Refuse(0, "Cannot read the Hex file");
    FirmwareImage image;
    char kind = 0; // '2' or '3' once a data record has decided it
    std::string line;
    bool overlong = false;
    int number = 0;
    while (ReadLine(*buffer, &line, &overlong)) {
        ++number;
        if (overlong)
            return Invalid(number, "longer than any S-record");
        if (Blank(line))
            continue;
        SRecord r = ParseSRecord(line);
        if (!r.Ok())
            return Invalid(number, r.ProblemText(line));
        if (!r.IsData())
            continue; // header, count or end record: nothing to write
        if (r.Type == '1') {
            // A bench's flash is written with 24-bit addresses only: an S1 image is for something else.
            return Invalid(number, kind ? std::string("S1 record in an S") + kind + " file"
                                        : std::string("S1 record (only S2 or S3 data records can be written)"));
        }
        if (!kind)
            kind = r.Type;
        else if (r.Type != kind)
            return Invalid(number, std::string("S") + r.Type + " record in an S" + kind + " file");
        // The write request carries 24 address bits: a record reaching past them would land
        // on the wrong flash location, so it is refused rather than wrapped.
        const uint64_t last = uint64_t(r.AddressValue()) + (r.Data.empty() ? 0 : r.Data.size() - 1);
        if (r.Address[0] != 0 || last > 0xFFFFFF)
            return Refuse(number, "Address beyond 24 bits in Hex file, line " + std::to_string(number));
        if (r.Data.empty())
            continue; // a record without data bytes has nothing to write
        image.Records.push_back({number, r.Address, std::move(r.Data)});
    }
    image.TotalLines = number;
    if (image.Records.empty())
        return Refuse(0, "No data records in Hex file");
    image.Kind = kind == '3' ? SRecordKind::S3 : SRecordKind::S2;
    FirmwareCheck c;
    c.Image = std::move(image);
    return c;
}

FirmwareCheck CheckFirmwareFile(const std::string& path)
{
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open())
        return Refuse(0, "Cannot open " + path);
    return CheckFirmwareFile(in);
}
