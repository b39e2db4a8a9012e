#pragma once
// A firmware file (Motorola S-records) read and checked whole before anything
// goes to a bench: a download erases the flash first, so a file found wrong
// half-way would leave an erased or half-written bench. No widgets; the
// download window and command-line tools call the same check.
#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "service/srecord.h"

// One data record to write.
struct FirmwareRecord {
    int Line = 0;                     // 1-based line of the file
    std::array<uint8_t, 4> Address{}; // most significant first; the first byte is 0 (24-bit flash)
    std::vector<uint8_t> Data;        // never empty

    uint32_t AddressValue() const
    {
        return (uint32_t(Address[0]) << 24) | (uint32_t(Address[1]) << 16) | (uint32_t(Address[2]) << 8) | Address[3];
    }
};

struct FirmwareImage {
    SRecordKind Kind = SRecordKind::S2; // the kind of every data record in the file
    int TotalLines = 0;                 // lines of the file, blank ones included
    std::vector<FirmwareRecord> Records; // in file order
};

struct FirmwareFileError {
    int Line = 0;        // 1-based line at fault; 0 when the fault is the file as a whole
    std::string Message; // for the user, with the line: "Invalid data in Hex file, line 7: wrong checksum 1F (1E expected)"
};

struct FirmwareCheck {
    std::optional<FirmwareImage> Image; // set when the file is good
    FirmwareFileError Error;            // why not, otherwise
    bool Ok() const { return Image.has_value(); }
};

// Longest line read; a well-formed record has at most 4 + 2 * 255 characters.
constexpr size_t kMaxFirmwareLineLength = 1024;

// Reads and checks the whole file. A good file has, besides blank lines, only
// well-formed S-records with good checksums; its data records are all S2 or
// all S3 (S1 records are refused), every byte they write lies within 24 address
// bits, and at least one of them carries data. Header, count and end records
// (S0, S5 to S9) are checked and passed over. The first fault, in line order,
// is the error.
FirmwareCheck CheckFirmwareFile(std::istream& in);
FirmwareCheck CheckFirmwareFile(const std::string& path);
