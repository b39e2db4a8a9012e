#include "upgrade_machine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>
#include <vector>

#include "cmd.h"

namespace {

using Colour = UpgradeDisplay::Colour;

// Records made with srec_cat: 16 bytes at 0x100, 32 bytes at 0 (S3, with header and end record).
const char* const kS3File =
    "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D\n"
    "S31500000100000102030405060708090A0B0C0D0E0F71\n"
    "S3250000000000112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFFEA\n"
    "S70500000000FA\n";

struct UpgradeHarness {
    QTemporaryDir Dir;
    std::vector<std::string> Sent;
    std::vector<std::string> Warnings;
    UpgradeMachine Machine{UpgradeRequests{
        [this](int k) { Sent.push_back("boot " + std::to_string(k)); },
        [this](int) { Sent.push_back("erase"); },
        [this](int, const std::array<uint8_t, 4>& a, const std::vector<uint8_t>& d) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "write %02X%02X%02X%02X %zu", a[0], a[1], a[2], a[3], d.size());
            Sent.push_back(buf);
        },
        [this](int) { Sent.push_back("end"); },
        [this](int) { Sent.push_back("reset"); },
        [this](const std::string& w) { Warnings.push_back(w); },
    }};

    std::string File(const std::string& text)
    {
        const std::string path = Dir.filePath("fw.s19").toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    void Reply(uint8_t code, bool ack = true)
    {
        RxFrame f;
        f.Start = ack ? kAck : kNak;
        f.Code = code;
        Machine.Reply(f);
    }
    // Acknowledges every request until the download is no longer busy.
    void AckAll()
    {
        for (size_t done = 0; Machine.Busy() && done < Sent.size(); ++done) {
            const std::string& s = Sent[done];
            Reply(s.rfind("boot", 0) == 0 ? 0x25 : s == "erase" ? 0x26 : s.rfind("write", 0) == 0 ? 0x27 : 0x28);
        }
    }
};

TEST(UpgradeMachine, DownloadsEveryRecordOneAtATime)
{
    UpgradeHarness h;
    UpgradeMachine::Kind = SRecordKind::S2;
    ASSERT_TRUE(h.Machine.Start(2, h.File(kS3File)));
    EXPECT_TRUE(h.Machine.Busy());
    EXPECT_FALSE(h.Machine.Display().StartEnabled);
    EXPECT_EQ(h.Sent, (std::vector<std::string>{"boot 2"}));
    h.Reply(0x25);
    EXPECT_EQ(h.Machine.Display().BootText.Look, Colour::Green);
    EXPECT_EQ(h.Machine.TotalLines(), 4);
    EXPECT_EQ(UpgradeMachine::Kind, SRecordKind::S3);
    EXPECT_EQ(h.Machine.Display().Gauge, 0);
    h.Reply(0x26);
    EXPECT_EQ(h.Sent.back(), "write 00000100 16");
    EXPECT_EQ(h.Machine.Display().HexAddress, "00000100");
    EXPECT_EQ(h.Machine.Display().Edit1, "1"); // the header line was skipped and counted
    h.Reply(0x27);
    EXPECT_EQ(h.Sent.back(), "write 00000000 32");
    EXPECT_EQ(h.Machine.Display().Gauge, 50);
    EXPECT_EQ(h.Machine.Display().Range, "00000000-0000010F");
    h.Reply(0x27);
    EXPECT_EQ(h.Sent.back(), "end");
    EXPECT_EQ(h.Machine.Display().Gauge, 100);
    EXPECT_EQ(h.Machine.Display().ProgrammingText.Look, Colour::Green);
    h.Reply(0x28);
    EXPECT_EQ(h.Sent.back(), "reset");
    EXPECT_FALSE(h.Machine.Busy());
    EXPECT_TRUE(h.Machine.Display().Success);
    EXPECT_TRUE(h.Machine.Display().StartEnabled);
    EXPECT_TRUE(h.Warnings.empty());
}

TEST(UpgradeMachine, RefusalsAndBadRecordsStopAndLeaveDownloadMode)
{
    struct Case {
        const char* Name;
        std::string File;
        uint8_t Refused; // 0: none
        const char* Message;
        UpgradeDisplay::Item UpgradeDisplay::*Red;
        int Writes;
    };
    const std::string good = kS3File;
    const Case cases[] = {
        {"boot refused", good, 0x25, "Failed to Unlock Download, NAK", &UpgradeDisplay::BootText, 0},
        {"erase refused", good, 0x26, "Failed to Erase Flash Sectors, NAK", &UpgradeDisplay::EraseText, 0},
        {"write refused", good, 0x27, "Flash Write Failure, NAK", &UpgradeDisplay::HexAddressText, 1},
        {"end refused", good, 0x28, "Failed to End Programming, NAK", &UpgradeDisplay::ProgrammingText, 2},
        {"bad checksum", "S31500000100000102030405060708090A0B0C0D0E0F72\n", 0, "Invalid data in Hex file",
         &UpgradeDisplay::HexAddressText, 0},
        {"count beyond the line", "S3FF00000100000102030405060708090A0B0C0D0E0F71\n", 0, "Invalid data in Hex file",
         &UpgradeDisplay::HexAddressText, 0},
        {"second record short", "S31500000100000102030405060708090A0B0C0D0E0F71\nS325000000001122\n", 0,
         "Invalid data in Hex file", &UpgradeDisplay::HexAddressText, 1},
        {"address beyond 24 bits", "S30901000000AABBCCDDE7\n", 0, "Address beyond 24 bits in Hex file",
         &UpgradeDisplay::HexAddressText, 0},
        {"empty file", "", 0, "No data records in Hex file", &UpgradeDisplay::ProgrammingText, 0},
        {"no record of the kind", "S1130000000102030405060708090A0B0C0D0E0F74\n", 0, "No data records in Hex file",
         &UpgradeDisplay::ProgrammingText, 0},
    };
    for (const Case& c : cases) {
        UpgradeHarness h;
        UpgradeMachine::Kind = SRecordKind::S3;
        ASSERT_TRUE(h.Machine.Start(0, h.File(c.File)));
        for (size_t done = 0; h.Machine.Busy() && done < h.Sent.size(); ++done) {
            const std::string& s = h.Sent[done];
            const uint8_t code = s.rfind("boot", 0) == 0 ? 0x25 : s == "erase" ? 0x26 : s.rfind("write", 0) == 0 ? 0x27 : 0x28;
            h.Reply(code, code != c.Refused);
        }
        EXPECT_FALSE(h.Machine.Busy()) << c.Name;
        EXPECT_EQ(h.Warnings, (std::vector<std::string>{c.Message})) << c.Name;
        EXPECT_EQ(h.Sent.back(), "end") << c.Name;
        EXPECT_EQ(std::count_if(h.Sent.begin(), h.Sent.end(), [](const std::string& s) { return s.rfind("write", 0) == 0; }),
                  c.Writes)
            << c.Name;
        EXPECT_EQ((h.Machine.Display().*c.Red).Look, Colour::Red) << c.Name;
        EXPECT_EQ(h.Machine.Display().ProgrammingText.Look, Colour::Red) << c.Name;
        EXPECT_FALSE(h.Machine.Display().Success) << c.Name;
        EXPECT_TRUE(h.Machine.Display().StartEnabled) << c.Name;
        // The reply to the End Flash Download sent on the way out is no longer this machine's.
        const size_t sent = h.Sent.size();
        h.Reply(0x28);
        EXPECT_EQ(h.Sent.size(), sent) << c.Name;
    }
}

TEST(UpgradeMachine, RecordKindFollowsTheFile)
{
    // srec_cat writes a header before S2 records too; the S9 end record is skipped.
    const std::string s2 = "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D\n"
                           "S20E1234560102030405060708A0B1E0\r\n"
                           "S9030000FC\n";
    UpgradeHarness h;
    UpgradeMachine::Kind = SRecordKind::S3;
    ASSERT_TRUE(h.Machine.Start(1, h.File(s2)));
    h.AckAll();
    EXPECT_EQ(UpgradeMachine::Kind, SRecordKind::S2);
    EXPECT_EQ(h.Sent, (std::vector<std::string>{"boot 1", "erase", "write 00123456 10", "end", "reset"}));
    EXPECT_TRUE(h.Machine.Display().Success);
}

TEST(UpgradeMachine, CancelAndCloseSendNothingAndResetTheDisplay)
{
    UpgradeHarness h;
    ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File)));
    h.Reply(0x25);
    h.Reply(0x26);
    const size_t sent = h.Sent.size();
    h.Machine.Cancel();
    EXPECT_FALSE(h.Machine.Busy());
    h.Reply(0x27); // a late reply changes nothing
    EXPECT_EQ(h.Sent.size(), sent);
    const UpgradeDisplay& d = h.Machine.Display();
    EXPECT_TRUE(d.StartEnabled);
    EXPECT_EQ(d.HexAddress, "000000");
    EXPECT_EQ(d.Gauge, 0);
    EXPECT_EQ(d.EraseText.Look, Colour::Black);

    UpgradeHarness missing;
    EXPECT_FALSE(missing.Machine.Start(0, "/nonexistent/fw.s19"));
    EXPECT_TRUE(missing.Sent.empty());
    EXPECT_EQ(missing.Warnings.size(), 1u);
}

TEST(UpgradeMachine, RepliesToOtherRequestsDoNotAdvanceTheRun)
{
    // A second download started right after a first: the first run's late Soft Reset reply, or any
    // reply to a request this step did not send, must neither finish nor move the new run.
    UpgradeHarness h;
    ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File)));
    for (uint8_t stray : {uint8_t(0xF0), uint8_t(0x28), uint8_t(0x27), uint8_t(0x26)})
        h.Reply(stray);
    EXPECT_TRUE(h.Machine.Busy());
    EXPECT_FALSE(h.Machine.Display().Success);
    EXPECT_EQ(h.Sent, std::vector<std::string>{"boot 0"});
    h.Reply(0x25);
    h.Reply(0x28, false); // a refusal of a request not sent is no refusal of this run
    EXPECT_TRUE(h.Machine.Busy());
    h.AckAll();
    EXPECT_TRUE(h.Machine.Display().Success);
    EXPECT_EQ(h.Machine.Display().Gauge, 100);
}

} // namespace
