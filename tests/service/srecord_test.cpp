#include "service/srecord.h"

#include <gtest/gtest.h>

namespace {

using P = SRecord::Problem;

// Records made with srec_cat from the bytes 01..08 A0 B1.
const char* const kS2 = "S20E1234560102030405060708A0B1E0";   // at 0x123456
const char* const kS3 = "S30F000001000102030405060708A0B17A"; // at 0x00000100
const std::vector<uint8_t> kData{1, 2, 3, 4, 5, 6, 7, 8, 0xA0, 0xB1};

TEST(SRecord, LinesAndWhatIsWrongWithThem)
{
    struct Case {
        const char* Name;
        std::string Line;
        P Fault;
        const char* Text; // what the user is told (empty for a good record)
    };
    const Case cases[] = {
        {"S2", kS2, P::None, ""},
        {"S3", kS3, P::None, ""},
        {"lower-case hex", "S20e1234560102030405060708a0b1e0", P::None, ""},
        {"trailing blanks and CR", std::string(kS2) + " \t\r", P::None, ""},
        {"no data bytes", "S2041234565F", P::None, ""},
        {"S0 header", "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D", P::None, ""},
        {"S1", "S1130000000102030405060708090A0B0C0D0E0F74", P::None, ""},
        {"S5 count", "S5030001FB", P::None, ""},
        {"S7 end", "S70500000000FA", P::None, ""},
        {"S8 end", "S804000000FB", P::None, ""},
        {"S9 end", "S9030000FC", P::None, ""},
        {"bad checksum", "S20E1234560102030405060708A0B1E1", P::BadChecksum, "wrong checksum E1 (E0 expected)"},
        {"one data digit changed", "S20E1234560102030405060708A0B2E0", P::BadChecksum, "wrong checksum E0 (DF expected)"},
        {"count beyond the line", "S20F1234560102030405060708A0B1E0", P::ShorterThanCount,
         "the record is shorter than its count says"},
        {"line cut short", "S20E1234560102030405", P::ShorterThanCount, "the record is shorter than its count says"},
        {"only the type", "S2", P::ShorterThanCount, "the record is shorter than its count says"},
        {"more than the count", std::string(kS2) + "00", P::LongerThanCount, "the record is longer than its count says"},
        {"count below address and checksum", "S203123456E0", P::CountTooSmall, "count 03 is too small for an S2 record"},
        {"not a hex digit in the data", "S20E12345601020304050607G8A0B1E0", P::NotHex,
         "'G' at character 25 is not a hex digit"},
        {"not a hex digit in the count", "S2X01234565F", P::NotHex, "'X' at character 3 is not a hex digit"},
        {"a blank inside", "S20E123456 0102030405060708A0B1E0", P::NotHex, "a blank at character 11 is not a hex digit"},
        {"a zero byte", std::string("S20E12345601\0", 13), P::NotHex, "byte 0x00 at character 13 is not a hex digit"},
        {"S4", "S4030000FC", P::UnknownType, "'4' at character 2 is no S-record type"},
        {"lower-case s", "s20E1234560102030405060708A0B1E0", P::NotARecord, "not an S-record (it does not begin with 'S')"},
        {"not a record", "hello world", P::NotARecord, "not an S-record (it does not begin with 'S')"},
        {"leading blank", std::string(" ") + kS2, P::NotARecord, "not an S-record (it does not begin with 'S')"},
    };
    for (const Case& c : cases) {
        const SRecord r = ParseSRecord(c.Line);
        EXPECT_EQ(r.Fault, c.Fault) << c.Name;
        EXPECT_EQ(r.ProblemText(c.Line), c.Text) << c.Name;
    }

    const SRecord s2 = ParseSRecord(kS2);
    EXPECT_EQ(s2.Type, '2');
    EXPECT_EQ(s2.Address, (std::array<uint8_t, 4>{0x00, 0x12, 0x34, 0x56}));
    EXPECT_EQ(s2.Data, kData);
    const SRecord s3 = ParseSRecord(kS3);
    EXPECT_EQ(s3.Type, '3');
    EXPECT_EQ(s3.AddressValue(), 0x100u);
    EXPECT_EQ(s3.Data, kData);
}

TEST(SRecord, EveryCutOfARecordIsRefusedNeverReadPast)
{
    // Under the sanitizers this also shows no cut is read beyond its end.
    const std::string full = kS3;
    for (size_t n = 0; n < full.size(); ++n) {
        const std::string cut = full.substr(0, n);
        const P fault = ParseSRecord(cut).Fault;
        EXPECT_EQ(fault, n == 0 ? P::NotARecord : P::ShorterThanCount) << cut;
    }
}

} // namespace
