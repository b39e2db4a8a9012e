#pragma once
// Motorola S-record lines: one line parsed into its record, or the reason it is
// not a well-formed record. Whole firmware files are checked in firmware_file.h.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The two kinds of data record a bench's flash takes.
enum class SRecordKind { S2, S3 };

struct SRecord {
    enum class Problem {
        None,
        NotARecord,     // does not begin with "S"
        UnknownType,    // "S" followed by anything but 0-3 or 5-9
        NotHex,         // a character that is not a hex digit (either case)
        CountTooSmall,  // the count cannot hold the address and the checksum
        ShorterThanCount,
        LongerThanCount,
        BadChecksum,
    };
    Problem Fault = Problem::None;
    // 1-based character of the fault (NotHex, NotARecord, UnknownType), else 0.
    size_t Column = 0;
    char Type = 0; // '0'..'9': the character after "S"
    uint8_t Count = 0;
    uint8_t Checksum = 0;         // as written
    uint8_t ExpectedChecksum = 0; // what count, address and data call for
    std::array<uint8_t, 4> Address{}; // most significant first, right-aligned (S1: two bytes, S2: three)
    std::vector<uint8_t> Data;

    bool Ok() const { return Fault == Problem::None; }
    bool IsData() const { return Type == '1' || Type == '2' || Type == '3'; }
    uint32_t AddressValue() const
    {
        return (uint32_t(Address[0]) << 24) | (uint32_t(Address[1]) << 16) | (uint32_t(Address[2]) << 8) | Address[3];
    }
    // What is wrong, in words naming the character or the numbers ("wrong checksum E1 (E0 expected)").
    std::string ProblemText(std::string_view line) const;
};

// Address bytes of a record type ('0'..'9'); 0 for a type that does not exist.
int SRecordAddressBytes(char type);

// Parses one line without its line end. Blanks and tabs after the record are
// allowed; anything else must be exactly the record its count describes.
SRecord ParseSRecord(std::string_view line);
