#include "service/upgrade_machine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>
#include <vector>

#include "link/command_slot.h"

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
    EXPECT_EQ(h.Machine.Display().RecordLine, "1"); // the header line was skipped and counted
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

TEST(UpgradeMachine, RefusalsStopAndLeaveDownloadMode)
{
    struct Case {
        const char* Name;
        uint8_t Refused;
        const char* Message;
        UpgradeDisplay::Item UpgradeDisplay::*Red;
        int Writes;
    };
    const Case cases[] = {
        {"boot refused", 0x25, "Failed to Unlock Download, NAK", &UpgradeDisplay::BootText, 0},
        {"erase refused", 0x26, "Failed to Erase Flash Sectors, NAK", &UpgradeDisplay::EraseText, 0},
        {"write refused", 0x27, "Flash Write Failure, NAK", &UpgradeDisplay::HexAddressText, 1},
        {"end refused", 0x28, "Failed to End Programming, NAK", &UpgradeDisplay::ProgrammingText, 2},
    };
    for (const Case& c : cases) {
        UpgradeHarness h;
        ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File)));
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

// Boot mode and the erase go out first: a file found wrong after them would leave an erased
// or half-written bench. A bad file sends nothing at all, says what is wrong and where, and
// the next file starts as usual.
TEST(UpgradeMachine, BadFileSendsNothing)
{
    const std::string good = "S31500000100000102030405060708090A0B0C0D0E0F71\n";
    struct Case {
        const char* Name;
        std::string File;
        const char* Message;
    };
    const Case cases[] = {
        {"bad checksum in the last record", good + good + "S31500000100000102030405060708090A0B0C0D0E0F72\n",
         "Invalid data in Hex file, line 3: wrong checksum 72 (71 expected)"},
        {"count beyond the line", "S3FF00000100000102030405060708090A0B0C0D0E0F71\n",
         "Invalid data in Hex file, line 1: the record is shorter than its count says"},
        {"second record short", good + "S325000000001122\n",
         "Invalid data in Hex file, line 2: the record is shorter than its count says"},
        {"not a hex digit", good + "S31500000100000102030405060708090A0B0C0D0E0FZ1\n",
         "Invalid data in Hex file, line 2: 'Z' at character 45 is not a hex digit"},
        {"address beyond 24 bits", good + "S30901000000AABBCCDDE7\n", "Address beyond 24 bits in Hex file, line 2"},
        {"empty file", "", "No data records in Hex file"},
        {"S1 records only", "S1130000000102030405060708090A0B0C0D0E0F74\n",
         "Invalid data in Hex file, line 1: S1 record (only S2 or S3 data records can be written)"},
        // Taken as S2 with every S1 record skipped, such a file used to end with "Success!!!".
        {"S1 next to S2", "S20E1234560102030405060708A0B1E0\nS1130000000102030405060708090A0B0C0D0E0F74\n",
         "Invalid data in Hex file, line 2: S1 record in an S2 file"},
        {"S2 inside an S3 file", good + "S20E1234560102030405060708A0B1E0\n",
         "Invalid data in Hex file, line 2: S2 record in an S3 file"},
    };
    for (const Case& c : cases) {
        UpgradeHarness h;
        EXPECT_FALSE(h.Machine.Start(0, h.File(c.File))) << c.Name;
        EXPECT_TRUE(h.Sent.empty()) << c.Name;
        EXPECT_EQ(h.Warnings, (std::vector<std::string>{c.Message})) << c.Name;
        EXPECT_FALSE(h.Machine.Busy()) << c.Name;
        EXPECT_TRUE(h.Machine.Display().StartEnabled) << c.Name;
        // The window stays usable: the next file downloads.
        h.Warnings.clear();
        ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File))) << c.Name;
        h.AckAll();
        EXPECT_TRUE(h.Machine.Display().Success) << c.Name;
        EXPECT_TRUE(h.Warnings.empty()) << c.Name;
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

TEST(UpgradeMachine, CancelOrCloseInMidDownloadLeavesDownloadMode)
{
    // Cancel and closing the window end a download the same way, at any step after Start.
    for (int acked = 0; acked < 3; ++acked) {
        for (bool cancel : {true, false}) {
            UpgradeHarness h;
            ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File)));
            const uint8_t codes[] = {0x25, 0x26, 0x27};
            for (int i = 0; i < acked; ++i)
                h.Reply(codes[i]);
            const size_t sent = h.Sent.size();
            cancel ? h.Machine.Cancel() : h.Machine.Close();
            EXPECT_FALSE(h.Machine.Busy());
            ASSERT_EQ(h.Sent.size(), sent + 1) << acked << cancel;
            EXPECT_EQ(h.Sent.back(), "end") << acked << cancel;
            EXPECT_EQ(h.Warnings, std::vector<std::string>{"Download aborted"}) << acked << cancel;
            // Once only: closing the window after Cancel, and late replies, send nothing more.
            h.Machine.Close();
            h.Reply(0x27);
            h.Reply(0x28);
            EXPECT_EQ(h.Sent.size(), sent + 1) << acked << cancel;
            const UpgradeDisplay& d = h.Machine.Display();
            EXPECT_TRUE(d.StartEnabled);
            EXPECT_FALSE(d.Success);
            EXPECT_EQ(d.HexAddress, "000000");
            EXPECT_EQ(d.Gauge, 0);
            EXPECT_EQ(d.EraseText.Look, Colour::Black);
        }
    }

    // Closing an idle window, or one whose download is over, sends nothing and says nothing.
    UpgradeHarness h;
    h.Machine.Close();
    ASSERT_TRUE(h.Machine.Start(0, h.File(kS3File)));
    h.AckAll();
    const size_t sent = h.Sent.size();
    h.Machine.Close();
    EXPECT_EQ(h.Sent.size(), sent);
    EXPECT_TRUE(h.Warnings.empty());

    UpgradeHarness missing;
    EXPECT_FALSE(missing.Machine.Start(0, "/nonexistent/fw.s19"));
    EXPECT_TRUE(missing.Sent.empty());
    EXPECT_EQ(missing.Warnings, std::vector<std::string>{"Cannot open /nonexistent/fw.s19"});
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
