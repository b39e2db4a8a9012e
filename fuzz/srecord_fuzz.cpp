// The S-record parser and the firmware file check. Any line: a record taken as valid has the count,
// address, data and checksum its hex digits spell. A record written from an address and data, in
// either case, parses back to them, while the same record with one data digit changed or its last
// character cut is not taken. Any file: the check never reads out of range, and a file it passes
// holds only records within 24 address bits.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include <sstream>

#include "service/firmware_file.h"
#include "fuzz_check.h"
#include "service/srecord.h"

namespace {

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

int Byte(const std::string& s, size_t at) { return Hex(s[at]) * 16 + Hex(s[at + 1]); }

void CheckValid(const std::string& line, const SRecord& r)
{
    const int addressBytes = SRecordAddressBytes(r.Type);
    FUZZ_CHECK(addressBytes > 0 && line.size() >= 4 && line[0] == 'S' && line[1] == r.Type);
    const int count = Byte(line, 2);
    FUZZ_CHECK(count >= addressBytes + 1 && line.size() >= size_t(4 + 2 * count));
    for (size_t i = size_t(4 + 2 * count); i < line.size(); ++i)
        FUZZ_CHECK(line[i] == ' ' || line[i] == '\t' || line[i] == '\r');
    unsigned sum = 0;
    for (int i = 0; i <= count; ++i) {
        FUZZ_CHECK(Hex(line[2 + 2 * i]) >= 0 && Hex(line[3 + 2 * i]) >= 0);
        sum += unsigned(Byte(line, size_t(2 + 2 * i)));
    }
    FUZZ_CHECK((sum & 0xFF) == 0xFF);
    uint32_t address = 0;
    for (int i = 0; i < addressBytes; ++i)
        address = address << 8 | uint32_t(Byte(line, size_t(4 + 2 * i)));
    FUZZ_CHECK(r.AddressValue() == address);
    FUZZ_CHECK(r.Data.size() == size_t(count - addressBytes - 1));
    for (size_t i = 0; i < r.Data.size(); ++i)
        FUZZ_CHECK(r.Data[i] == Byte(line, 4 + 2 * size_t(addressBytes) + 2 * i));
}

std::string Write(SRecordKind kind, uint32_t address, const std::vector<uint8_t>& data, bool lower)
{
    const int addressBytes = kind == SRecordKind::S2 ? 3 : 4;
    std::vector<uint8_t> bytes{uint8_t(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(uint8_t(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    bytes.push_back(uint8_t(~sum));
    const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string line = kind == SRecordKind::S2 ? "S2" : "S3";
    for (uint8_t b : bytes) {
        line += digits[b >> 4];
        line += digits[b & 15];
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const SRecord any = ParseSRecord(raw);
    if (any.Ok())
        CheckValid(raw, any);
    else
        FUZZ_CHECK(!any.ProblemText(raw).empty());
    {
        std::istringstream file(raw);
        const FirmwareCheck check = CheckFirmwareFile(file);
        FUZZ_CHECK(check.Ok() != !check.Error.Message.empty());
        if (check.Ok()) {
            FUZZ_CHECK(!check.Image->Records.empty());
            for (const FirmwareRecord& r : check.Image->Records)
                FUZZ_CHECK(!r.Data.empty() && r.AddressValue() + r.Data.size() - 1 <= 0xFFFFFF);
        }
    }

    FuzzedDataProvider in(data, size);
    const SRecordKind kind = in.ConsumeBool() ? SRecordKind::S2 : SRecordKind::S3;
    const bool lower = in.ConsumeBool();
    uint32_t address = in.ConsumeIntegral<uint32_t>();
    if (kind == SRecordKind::S2)
        address &= 0xFFFFFF;
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 250));
    const std::string line = Write(kind, address, bytes, lower);
    const SRecord r = ParseSRecord(line);
    FUZZ_CHECK(r.Ok() && r.AddressValue() == address && r.Data == bytes);
    const std::string cut = line.substr(0, line.size() - 1);
    FUZZ_CHECK(ParseSRecord(cut).Fault == SRecord::Problem::ShorterThanCount);
    if (!bytes.empty()) {
        std::string changed = line;
        const size_t at = line.size() - 3; // the low digit of the last data byte
        changed[at] = changed[at] == '0' ? '1' : '0';
        FUZZ_CHECK(ParseSRecord(changed).Fault == SRecord::Problem::BadChecksum);
    }
    return 0;
}
