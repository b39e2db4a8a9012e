#include "srecord.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using R = SRecord::Result;

// Records made with srec_cat from the bytes 01..08 A0 B1.
const char* const kS2 = "S20E1234560102030405060708A0B1E0";   // at 0x123456
const char* const kS3 = "S30F000001000102030405060708A0B17A"; // at 0x00000100
const std::vector<uint8_t> kData{1, 2, 3, 4, 5, 6, 7, 8, 0xA0, 0xB1};

TEST(SRecord, RecordsOfEachKind)
{
    struct Case {
        const char* Name;
        std::string Line;
        SRecordKind Kind;
        R Outcome;
    };
    const Case cases[] = {
        {"S2", kS2, SRecordKind::S2, R::Valid},
        {"S3", kS3, SRecordKind::S3, R::Valid},
        {"lower-case hex", "S20e1234560102030405060708a0b1e0", SRecordKind::S2, R::Valid},
        {"trailing blanks", std::string(kS2) + "  ", SRecordKind::S2, R::Valid},
        {"no data bytes", "S2041234565F", SRecordKind::S2, R::Valid},
        {"bad checksum", "S20E1234560102030405060708A0B1E1", SRecordKind::S2, R::Invalid},
        {"one data digit changed", "S20E1234560102030405060708A0B2E0", SRecordKind::S2, R::Invalid},
        {"count beyond the line", "S20F1234560102030405060708A0B1E0", SRecordKind::S2, R::Invalid},
        {"line cut short", "S20E1234560102030405", SRecordKind::S2, R::Invalid},
        {"count below address and checksum", "S203123456E0", SRecordKind::S2, R::Invalid},
        {"not a hex digit in the data", "S20E12345601020304050607G8A0B1E0", SRecordKind::S2, R::Invalid},
        {"not a hex digit in the count", "S2X01234565F", SRecordKind::S2, R::Invalid},
        {"shorter than the shortest S2", "S20412345", SRecordKind::S2, R::NotData},
        {"shorter than the shortest S3", "S30500000100", SRecordKind::S3, R::NotData},
        {"S3 read as S2", kS3, SRecordKind::S2, R::NotData},
        {"S2 read as S3", kS2, SRecordKind::S3, R::NotData},
        {"S0 header", "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D", SRecordKind::S3,
         R::NotData},
        {"S5 count", "S5030001FB", SRecordKind::S2, R::NotData},
        {"S7 end", "S70500000000FA", SRecordKind::S3, R::NotData},
        {"S8 end", "S804000000FB", SRecordKind::S2, R::NotData},
        {"S9 end", "S9030000FC", SRecordKind::S2, R::NotData},
        {"lower-case s", "s20E1234560102030405060708A0B1E0", SRecordKind::S2, R::NotData},
        {"not a record", "hello world, this is no record", SRecordKind::S2, R::NotData},
        {"empty", "", SRecordKind::S3, R::NotData},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSRecord(c.Line, c.Kind).Outcome, c.Outcome) << c.Name;

    const SRecord s2 = ParseSRecord(kS2, SRecordKind::S2);
    EXPECT_EQ(s2.Address, (std::array<uint8_t, 4>{0x00, 0x12, 0x34, 0x56}));
    EXPECT_EQ(s2.Data, kData);
    const SRecord s3 = ParseSRecord(kS3, SRecordKind::S3);
    EXPECT_EQ(s3.AddressValue(), 0x100u);
    EXPECT_EQ(s3.Data, kData);
}

TEST(SRecord, EveryCutOfARecordIsSkippedOrRefusedNeverReadPast)
{
    // Under the sanitizers this also shows no cut is read beyond its end.
    const std::string full = kS3;
    for (size_t n = 0; n < full.size(); ++n) {
        const std::string cut = full.substr(0, n);
        const R outcome = ParseSRecord(cut, SRecordKind::S3).Outcome;
        EXPECT_EQ(outcome, n < 14 ? R::NotData : R::Invalid) << cut;
    }
}

TEST(SRecord, KindOfAFile)
{
    const std::string s0 = "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D";
    struct Case {
        const char* Name;
        std::vector<std::string> Lines;
        SRecordKind Previous;
        SRecordKind Kind;
    };
    const Case cases[] = {
        {"S0 then S3", {s0, kS3, "S70500000000FA"}, SRecordKind::S2, SRecordKind::S3},
        // An S0 header is written before S2 records too: the records decide.
        {"S0 then S2", {s0, kS2, "S804000000FB"}, SRecordKind::S3, SRecordKind::S2},
        {"S2 without header", {kS2, "S9030000FC"}, SRecordKind::S3, SRecordKind::S2},
        {"only a header", {s0}, SRecordKind::S2, SRecordKind::S3},
        {"nothing decides, S2 before", {"junk", "S1130000"}, SRecordKind::S2, SRecordKind::S2},
        {"nothing decides, S3 before", {"junk"}, SRecordKind::S3, SRecordKind::S3},
        {"empty file", {}, SRecordKind::S3, SRecordKind::S3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideRecordKind(c.Lines, c.Previous), c.Kind) << c.Name;
}

TEST(SRecord, LinesLoseTheirLineEnds)
{
    std::istringstream in("S1\r\nS2\n\nlast");
    std::vector<std::string> lines;
    std::string line;
    while (ReadFirmwareLine(in, &line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"S1", "S2", "", "last"}));
}

} // namespace
