#include "srecord.h"

namespace {

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

// Byte at character position `at` (0-based); false when either character is not a hex digit.
bool HexByte(std::string_view line, size_t at, uint8_t* out)
{
    const int hi = HexDigit(line[at]);
    const int lo = HexDigit(line[at + 1]);
    if (hi < 0 || lo < 0)
        return false;
    *out = uint8_t(hi * 16 + lo);
    return true;
}

} // namespace

SRecordKindInfo KindInfo(SRecordKind kind)
{
    return kind == SRecordKind::S3 ? SRecordKindInfo{'3', 4, 14} : SRecordKindInfo{'2', 3, 12};
}

SRecord ParseSRecord(std::string_view line, SRecordKind kind)
{
    const SRecordKindInfo info = KindInfo(kind);
    SRecord r;
    if (line.size() < info.ShortestLine || line[0] != 'S' || line[1] != info.TypeChar)
        return r; // NotData
    r.Outcome = SRecord::Result::Invalid;
    uint8_t count = 0;
    if (!HexByte(line, 2, &count))
        return r;
    // The count covers address, data and checksum; it cannot be less than address + checksum,
    // and the line must hold all of it (a short line is never read past its end).
    if (count < info.AddressBytes + 1 || line.size() < 4 + 2 * size_t(count))
        return r;
    unsigned sum = count;
    const int skip = 4 - info.AddressBytes;
    for (int i = 0; i < info.AddressBytes; ++i) {
        uint8_t b = 0;
        if (!HexByte(line, 4 + 2 * size_t(i), &b))
            return r;
        r.Address[size_t(skip + i)] = b;
        sum += b;
    }
    const size_t n = size_t(count) - size_t(info.AddressBytes) - 1;
    const size_t dataAt = 4 + 2 * size_t(info.AddressBytes);
    r.Data.resize(n);
    for (size_t i = 0; i < n; ++i) {
        if (!HexByte(line, dataAt + 2 * i, &r.Data[i]))
            return r;
        sum += r.Data[i];
    }
    uint8_t checksum = 0;
    if (!HexByte(line, dataAt + 2 * n, &checksum))
        return r;
    sum += checksum;
    if ((sum & 0xFF) != 0xFF)
        return r;
    r.Outcome = SRecord::Result::Valid;
    return r;
}

SRecordKind DecideRecordKind(const std::vector<std::string>& lines, SRecordKind previous)
{
    for (const std::string& l : lines) {
        if (l.size() >= 2 && l[0] == 'S' && l[1] == '3')
            return SRecordKind::S3;
        if (l.size() >= 2 && l[0] == 'S' && l[1] == '2')
            return SRecordKind::S2;
    }
    if (!lines.empty()) {
        const std::string& first = lines.front();
        if (first.find("S0") != std::string::npos || first.find("S3") != std::string::npos)
            return SRecordKind::S3;
        if (first.find("S2") != std::string::npos)
            return SRecordKind::S2;
    }
    return previous;
}

bool ReadFirmwareLine(std::istream& in, std::string* line)
{
    if (!std::getline(in, *line))
        return false;
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}
