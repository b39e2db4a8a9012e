#include "service/srecord.h"

#include <cstdio>

namespace {

using Problem = SRecord::Problem;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

uint8_t HexByteAt(std::string_view line, size_t at) { return uint8_t(HexDigit(line[at]) * 16 + HexDigit(line[at + 1])); }

std::string Hex2(uint8_t b)
{
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

// A character as the user can find it in the file: itself when printable, else its code.
std::string Shown(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F)
        return std::string("'") + c + "'";
    if (u == ' ')
        return "a blank";
    return "byte 0x" + Hex2(u);
}

SRecord Fail(SRecord r, Problem p, size_t column = 0)
{
    r.Fault = p;
    r.Column = column;
    return r;
}

} // namespace

int SRecordAddressBytes(char type)
{
    switch (type) {
    case '0': case '1': case '5': case '9': return 2;
    case '2': case '6': case '8': return 3;
    case '3': case '7': return 4;
    default: return 0;
    }
}

SRecord ParseSRecord(std::string_view line)
{
    SRecord r;
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
        --end;
    line = line.substr(0, end);
    if (line.empty() || line[0] != 'S')
        return Fail(r, Problem::NotARecord, 1);
    if (line.size() < 2)
        return Fail(r, Problem::ShorterThanCount);
    r.Type = line[1];
    const int addressBytes = SRecordAddressBytes(r.Type);
    if (addressBytes == 0)
        return Fail(r, Problem::UnknownType, 2);
    // Every character after the type is a hex digit: the first that is not is named, wherever it is.
    for (size_t i = 2; i < line.size(); ++i)
        if (HexDigit(line[i]) < 0)
            return Fail(r, Problem::NotHex, i + 1);
    if (line.size() < 4)
        return Fail(r, Problem::ShorterThanCount);
    r.Count = HexByteAt(line, 2);
    // The count covers address, data and checksum; the line holds exactly that much.
    if (r.Count < addressBytes + 1)
        return Fail(r, Problem::CountTooSmall);
    const size_t length = 4 + 2 * size_t(r.Count);
    if (line.size() < length)
        return Fail(r, Problem::ShorterThanCount);
    if (line.size() > length)
        return Fail(r, Problem::LongerThanCount);
    unsigned sum = r.Count;
    for (int i = 0; i < addressBytes; ++i) {
        const uint8_t b = HexByteAt(line, 4 + 2 * size_t(i));
        r.Address[size_t(4 - addressBytes + i)] = b;
        sum += b;
    }
    const size_t n = size_t(r.Count) - size_t(addressBytes) - 1;
    const size_t dataAt = 4 + 2 * size_t(addressBytes);
    r.Data.resize(n);
    for (size_t i = 0; i < n; ++i) {
        r.Data[i] = HexByteAt(line, dataAt + 2 * i);
        sum += r.Data[i];
    }
    r.Checksum = HexByteAt(line, dataAt + 2 * n);
    // The ones' complement of the byte sum: with it the bytes sum to 0xFF.
    r.ExpectedChecksum = uint8_t(~sum);
    if (r.Checksum != r.ExpectedChecksum)
        return Fail(r, Problem::BadChecksum);
    return r;
}

std::string SRecord::ProblemText(std::string_view line) const
{
    const std::string at = " at character " + std::to_string(Column);
    switch (Fault) {
    case Problem::None: return {};
    case Problem::NotARecord: return "not an S-record (it does not begin with 'S')";
    case Problem::UnknownType: return Shown(Column <= line.size() ? line[Column - 1] : ' ') + at + " is no S-record type";
    case Problem::NotHex: return Shown(Column <= line.size() ? line[Column - 1] : ' ') + at + " is not a hex digit";
    case Problem::CountTooSmall:
        return std::string("count ") + Hex2(Count) + " is too small for an S" + Type + " record";
    case Problem::ShorterThanCount: return "the record is shorter than its count says";
    case Problem::LongerThanCount: return "the record is longer than its count says";
    case Problem::BadChecksum: return "wrong checksum " + Hex2(Checksum) + " (" + Hex2(ExpectedChecksum) + " expected)";
    }
    return {};
}
