// The firmware file check that runs before anything is sent to a bench.
#include "service/firmware_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace {

// One well-formed record of type `type` ('0'..'9') at `address` with `count` data bytes 0x11, 0x22, ...
std::string Record(char type, uint32_t address, int count)
{
    const int addressBytes = SRecordAddressBytes(type);
    std::vector<uint8_t> bytes{uint8_t(addressBytes + count + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(uint8_t(address >> (8 * i)));
    for (int i = 0; i < count; ++i)
        bytes.push_back(uint8_t(0x11 * (i + 1)));
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    bytes.push_back(uint8_t(~sum));
    std::string line = std::string("S") + type;
    char hex[3];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line;
}

const std::string kS0Header = "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D";

FirmwareCheck Check(const std::string& text)
{
    std::istringstream in(text);
    return CheckFirmwareFile(in);
}

TEST(FirmwareFile, GoodFilesGiveTheirDataRecordsInFileOrder)
{
    struct Case {
        const char* Name;
        std::string Text;
        SRecordKind Kind;
        std::vector<int> Lines; // of the records to write
        int TotalLines;
    };
    const Case cases[] = {
        {"S3 with header and end",
         kS0Header + "\n" + Record('3', 0x100, 16) + "\n" + Record('3', 0, 32) + "\n" + Record('7', 0, 0) + "\n",
         SRecordKind::S3, {2, 3}, 4},
        // A header is written before S2 records too: the data records decide the kind.
        {"S2 with header, CR LF and an S9 end", kS0Header + "\r\n" + Record('2', 0x123456, 10) + "\r\n" + Record('9', 0, 0),
         SRecordKind::S2, {2}, 3},
        {"blank lines and a count record", "\n" + Record('2', 0x10, 4) + "\n  \t\r\n" + Record('5', 1, 0) + "\n" +
                                               Record('8', 0, 0) + "\n\n",
         SRecordKind::S2, {2}, 6},
        {"a record without data is passed over", Record('3', 0x20, 0) + "\n" + Record('3', 0x20, 2) + "\n",
         SRecordKind::S3, {2}, 2},
        {"the last byte at the top of 24 bits", Record('3', 0xFFFFF0, 16) + "\n", SRecordKind::S3, {1}, 1},
        {"lower-case hex digits", "S2080000100a0b0c0db9\n", SRecordKind::S2, {1}, 1},
    };
    for (const Case& c : cases) {
        const FirmwareCheck check = Check(c.Text);
        ASSERT_TRUE(check.Ok()) << c.Name << ": " << check.Error.Message;
        EXPECT_EQ(check.Image->Kind, c.Kind) << c.Name;
        std::vector<int> lines;
        for (const FirmwareRecord& r : check.Image->Records)
            lines.push_back(r.Line);
        EXPECT_EQ(lines, c.Lines) << c.Name;
        EXPECT_EQ(check.Image->TotalLines, c.TotalLines) << c.Name;
    }
    const FirmwareCheck s3 = Check(kS0Header + "\n" + Record('3', 0x123456, 3) + "\n");
    ASSERT_TRUE(s3.Ok());
    EXPECT_EQ(s3.Image->Records[0].Address, (std::array<uint8_t, 4>{0x00, 0x12, 0x34, 0x56}));
    EXPECT_EQ(s3.Image->Records[0].Data, (std::vector<uint8_t>{0x11, 0x22, 0x33}));
}

TEST(FirmwareFile, BadFilesAreRefusedWithTheLineAndWhatIsWrong)
{
    const std::string s2 = Record('2', 0x1000, 8);
    const std::string s3 = Record('3', 0x1000, 8);
    std::string badSum = s2;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    std::string notHex = s2;
    notHex[9] = 'G';
    struct Case {
        const char* Name;
        std::string Text;
        int Line;
        std::string Message;
    };
    const Case cases[] = {
        {"empty file", "", 0, "No data records in Hex file"},
        {"header and end only", kS0Header + "\n" + Record('9', 0, 0) + "\n", 0, "No data records in Hex file"},
        {"records without data only", Record('2', 0x10, 0) + "\n", 0, "No data records in Hex file"},
        {"wrong checksum", s2 + "\n" + s2 + "\n" + badSum + "\n", 3,
         "Invalid data in Hex file, line 3: wrong checksum " + badSum.substr(badSum.size() - 2) + " (" +
             s2.substr(s2.size() - 2) + " expected)"},
        {"not a hex digit", s2 + "\n" + notHex + "\n", 2,
         "Invalid data in Hex file, line 2: 'G' at character 10 is not a hex digit"},
        {"S1 next to S2", s2 + "\n" + s2 + "\n" + Record('1', 0x20, 4) + "\n", 3,
         "Invalid data in Hex file, line 3: S1 record in an S2 file"},
        {"S1 before any S2", Record('1', 0x20, 4) + "\n" + s2 + "\n", 1,
         "Invalid data in Hex file, line 1: S1 record (only S2 or S3 data records can be written)"},
        {"S2 inside an S3 file", kS0Header + "\n" + s3 + "\n" + s2 + "\n" + s3 + "\n", 3,
         "Invalid data in Hex file, line 3: S2 record in an S3 file"},
        {"S3 inside an S2 file", s2 + "\n" + s3 + "\n", 2, "Invalid data in Hex file, line 2: S3 record in an S2 file"},
        {"S3 address beyond 24 bits", s3 + "\n" + Record('3', 0x01000000, 4) + "\n", 2,
         "Address beyond 24 bits in Hex file, line 2"},
        {"S2 record running past 24 bits", Record('2', 0xFFFFF0, 17) + "\n", 1, "Address beyond 24 bits in Hex file, line 1"},
        {"a line of text", s2 + "\nend of file\n", 2,
         "Invalid data in Hex file, line 2: not an S-record (it does not begin with 'S')"},
        {"file cut in mid-record", s2 + "\n" + s2.substr(0, 20), 2,
         "Invalid data in Hex file, line 2: the record is shorter than its count says"},
        {"count too small", "S203100000EC\n", 1, "Invalid data in Hex file, line 1: count 03 is too small for an S2 record"},
        {"reserved S4", "S4030000FC\n", 1, "Invalid data in Hex file, line 1: '4' at character 2 is no S-record type"},
        {"a line longer than any record", s2 + "\n" + std::string(5000, 'F') + "\n", 2,
         "Invalid data in Hex file, line 2: longer than any S-record"},
        // The first fault in line order is the one reported, whatever its kind.
        {"first fault wins", s2 + "\n" + Record('1', 0, 2) + "\n" + badSum + "\n", 2,
         "Invalid data in Hex file, line 2: S1 record in an S2 file"},
    };
    for (const Case& c : cases) {
        const FirmwareCheck check = Check(c.Text);
        EXPECT_FALSE(check.Ok()) << c.Name;
        EXPECT_EQ(check.Error.Line, c.Line) << c.Name;
        EXPECT_EQ(check.Error.Message, c.Message) << c.Name;
    }
}

TEST(FirmwareFile, FromAPath)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("fw.s19")).toStdString();
    std::ofstream(path, std::ios::binary) << Record('2', 0x8000, 32) << "\r\n" << Record('8', 0, 0) << "\r\n";
    const FirmwareCheck good = CheckFirmwareFile(path);
    ASSERT_TRUE(good.Ok()) << good.Error.Message;
    EXPECT_EQ(good.Image->Records.size(), 1u);
    EXPECT_EQ(good.Image->Records[0].AddressValue(), 0x8000u);

    const std::string missing = dir.filePath(QStringLiteral("none.s19")).toStdString();
    const FirmwareCheck none = CheckFirmwareFile(missing);
    EXPECT_FALSE(none.Ok());
    EXPECT_EQ(none.Error.Message, "Cannot open " + missing);
}

} // namespace
