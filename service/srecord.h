#pragma once
// Motorola S-record firmware files: the record parser and the choice of record
// kind. Plain functions over text lines; the download procedure drives them.
#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

enum class SRecordKind { S2, S3 };

struct SRecordKindInfo {
    char TypeChar;      // '2' or '3'
    int AddressBytes;   // 3 or 4
    size_t ShortestLine; // characters of a record with no data
};
SRecordKindInfo KindInfo(SRecordKind kind);

struct SRecord {
    enum class Result {
        NotData, // not a data record of the kind asked for: skipped
        Invalid, // a data record with a bad count, checksum, hex digit or length
        Valid,
    };
    Result Outcome = Result::NotData;
    std::array<uint8_t, 4> Address{}; // most significant first; the first byte is 0 for S2
    std::vector<uint8_t> Data;

    uint32_t AddressValue() const
    {
        return (uint32_t(Address[0]) << 24) | (uint32_t(Address[1]) << 16) | (uint32_t(Address[2]) << 8) | Address[3];
    }
};

// Parses one line (without its line end) as a data record of `kind`. A record
// must hold every character its count field promises, each one a hex digit
// (either case), and its bytes must sum with the checksum to 0xFF.
SRecord ParseSRecord(std::string_view line, SRecordKind kind);

// The record kind a file is read with: the first S2 or S3 record decides;
// without one, a first line holding an S0 header means S3; else `previous`.
SRecordKind DecideRecordKind(const std::vector<std::string>& lines, SRecordKind previous);

// Reads one line, dropping its line end ("\n" or "\r\n"); false at the end of the input.
bool ReadFirmwareLine(std::istream& in, std::string* line);
