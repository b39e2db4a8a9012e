#include <functional>
#include <gtest/gtest.h>

#include "support/link_fixture.h"

TEST(Dispatch, StatusLineTexts)
{
    struct Case {
        const char* what;
        uint8_t code;
        bool nak;
        uint8_t reason;
        const char* text;
        bool red;
    } cases[] = {
        {"ACK to span calibration", 0x03, false, 0, "Span Calibration  ACK", false},
        {"ACK to data status has two blanks", 0x01, false, 0, "Data Status  ACK", false},
        {"NAK with known reason", 0x03, true, 0x01, "Span Calibration  NAK  : Illegal data value", true},
        {"NAK to store with bad password", 0x54, true, 0x45, "Store Flash Parameters  NAK  : Invalid Password", true},
        {"NAK with unknown reason", 0x05, true, 0x7F, "Miscellaneous Data  NAK  : Unknown response 7F", true},
        {"NAK small source", 0x02, true, 0x4A, "Zero O2 Span calibration  NAK  : Small Source DeltaT", true},
        // Every reason the benches send, each with its own text.
        {"NAK system fault", 0x05, true, 0x00, "Miscellaneous Data  NAK  : System Fault", true},
        {"NAK not allowed", 0x05, true, 0x02, "Miscellaneous Data  NAK  : Not Allowed at this time", true},
        {"NAK sample delivery", 0x05, true, 0x03, "Miscellaneous Data  NAK  : Sample Delivery Problem", true},
        {"NAK boot program", 0x05, true, 0x44, "Miscellaneous Data  NAK  : Boot program active", true},
        {"NAK parameter number", 0x05, true, 0x46, "Miscellaneous Data  NAK  : Invalid Parameter Number", true},
        {"NAK parameter index", 0x05, true, 0x47, "Miscellaneous Data  NAK  : Invalid Parameter Index", true},
        {"NAK number of parameters", 0x05, true, 0x48, "Miscellaneous Data  NAK  : Invalid Number of Parameters", true},
        {"NAK too many zeroes", 0x05, true, 0x49, "Miscellaneous Data  NAK  : Too Many Zeroes", true},
        {"NAK between known reasons", 0x05, true, 0x04, "Miscellaneous Data  NAK  : Unknown response 04", true},
        {"NAK just past the known reasons", 0x05, true, 0x4B, "Miscellaneous Data  NAK  : Unknown response 4B", true},
    };
    for (const auto& c : cases) {
        LinkFixture fx;
        fx.link.Benches[0].Commands[c.code].AwaitingReply = true;
        if (c.nak)
            fx.Nak(0, c.code, c.reason);
        else
            fx.Ack(0, c.code, std::vector<uint8_t>(c.code == 0x01 ? 16 : 0));
        EXPECT_EQ(fx.edits[0], c.text) << c.what;
        EXPECT_EQ(fx.editRed[0], c.red) << c.what;
    }
}

TEST(Dispatch, UnexpectedReplyIsReportedAndNotDecoded)
{
    LinkFixture fx;
    fx.dialogCommand = 0x33;
    fx.Ack(1, 0x33, {1, 2, 3});
    EXPECT_EQ(fx.edits[1], "33 ?");
    EXPECT_TRUE(fx.editRed[1]);
    EXPECT_EQ(fx.events, std::vector<std::string>{"complete"});

    LinkFixture late;
    late.link.Benches[0].RequestSystemId();
    late.AdvanceMs(37 * 55 + 1);
    EXPECT_TRUE(late.link.CheckReplyTimeouts());
    EXPECT_EQ(late.edits[0], "System ID  Timeout");
    late.Ack(0, 0x04, std::vector<uint8_t>(34, 'A'));
    EXPECT_EQ(late.edits[0], "04 ?");
    EXPECT_EQ(late.link.Benches[0].SystemId.SerialNumber, "");
}

TEST(Dispatch, ContinuousStreamAcknowledgedOnceThenTimesOut)
{
    LinkFixture fx;
    fx.collecting = true;
    fx.dialogCommand = 0x01;
    BenchRecord& b = fx.link.Benches[0];
    b.RequestDataStatus(2, false);
    for (int i = 0; i < 5; ++i) {
        fx.edits[0] = "untouched";
        fx.Ack(0, 0x01, std::vector<uint8_t>(16, uint8_t(i)));
        EXPECT_TRUE(b.Commands[0x01].AwaitingReply);
        EXPECT_TRUE(b.Commands[0x01].Continuous);
        if (i == 0)
            EXPECT_EQ(fx.edits[0], "Data Status  ACK");
        else
            EXPECT_EQ(fx.edits[0], "untouched");
        fx.AdvanceMs(100);
    }
    EXPECT_EQ(std::count(fx.events.begin(), fx.events.end(), "complete"), 1);
    EXPECT_EQ(std::count(fx.events.begin(), fx.events.end(), "row 0"), 5);

    // The last reply came 100 ms ago; its timer runs 36 ticks (1.98 s).
    fx.AdvanceMs(36 * 55 - 200);
    fx.link.CheckReplyTimeouts();
    EXPECT_EQ(fx.edits[0], "untouched");
    fx.AdvanceMs(300);
    fx.link.CheckReplyTimeouts();
    EXPECT_EQ(fx.edits[0], "Data Status  Timeout");
    EXPECT_TRUE(b.Commands[0x01].Continuous) << "a stream that resumes is still accepted";
    fx.Ack(0, 0x01, std::vector<uint8_t>(16));
    EXPECT_NE(fx.edits[0], "01 ?");
}

// The rows stop waiting for a bench whose data stream timed out, until it answers.
TEST(Dispatch, DataTimeOutMarksTheBenchUntilItsNextDataReply)
{
    for (uint8_t code : {uint8_t(0x01), uint8_t(0x06), uint8_t(0x44)}) {
        LinkFixture fx;
        fx.collecting = true;
        BenchRecord& b = fx.link.Benches[3];
        BenchRecord& other = fx.link.Benches[2];
        if (code == 0x01)
            b.RequestDataStatus(2, false);
        else if (code == 0x06)
            b.RequestDataStatus6(2, false);
        else
            b.RequestEngineeringData(2, false);
        fx.Ack(3, code, std::vector<uint8_t>(86)); // the stream runs
        EXPECT_FALSE(b.DataTimedOut);
        other.RequestSystemId();
        fx.AdvanceMs(3000);
        fx.link.CheckReplyTimeouts();
        EXPECT_TRUE(b.DataTimedOut) << int(code);
        EXPECT_FALSE(other.DataTimedOut) << "a command's time-out is not a silent data stream";
        fx.Ack(3, code, std::vector<uint8_t>(86)); // and resumes
        EXPECT_FALSE(b.DataTimedOut) << int(code);
    }
}

// A bench that refuses its data samples holds no rows either: a NAK ends the wait for the reply, so it
// never times out, and without the mark the rows of every bench would wait for it.
TEST(Dispatch, RefusedDataSampleMarksTheBenchAsATimeOutDoes)
{
    struct Case {
        uint8_t code;
        std::function<void(BenchRecord&)> request;
        bool marks;
    };
    const Case cases[] = {
        {0x01, [](BenchRecord& b) { b.RequestDataStatus(2, false); }, true},
        {0x06, [](BenchRecord& b) { b.RequestDataStatus6(2, false); }, true},
        {0x44, [](BenchRecord& b) { b.RequestEngineeringData(2, false); }, true},
        {0x41, [](BenchRecord& b) { b.RequestEngineeringStatus(2); }, false},
        {0x04, [](BenchRecord& b) { b.RequestSystemId(); }, false},
    };
    for (const Case& c : cases) {
        LinkFixture fx;
        fx.collecting = true;
        BenchRecord& b = fx.link.Benches[1];
        c.request(b);
        if (c.marks)
            fx.Ack(1, c.code, std::vector<uint8_t>(86)); // the stream runs, then its samples are refused
        fx.Nak(1, c.code, 0x03);
        EXPECT_EQ(b.DataTimedOut, c.marks) << int(c.code);
        if (c.marks) {
            fx.Ack(1, c.code, std::vector<uint8_t>(86)); // and its next sample clears the mark
            EXPECT_FALSE(b.DataTimedOut) << int(c.code);
        }
    }
}

TEST(Dispatch, StopRequestGetsOneReplyThenSlotIsIdle)
{
    LinkFixture fx;
    BenchRecord& b = fx.link.Benches[2];
    b.RequestDataStatus(2, false);
    fx.Ack(2, 0x01, std::vector<uint8_t>(16));
    b.RequestDataStatus(0, false);
    fx.Ack(2, 0x01, std::vector<uint8_t>(16));
    EXPECT_FALSE(b.Commands[0x01].Continuous);
    EXPECT_FALSE(b.Commands[0x01].AwaitingReply);
    fx.Ack(2, 0x01, std::vector<uint8_t>(16));
    EXPECT_EQ(fx.edits[2], "01 ?");
}

// A listener recording what it is told, under a name.
struct NamedListener : LinkListener {
    std::vector<std::string>& Log;
    std::string Name;
    NamedListener(std::vector<std::string>& log, std::string name) : Log(log), Name(std::move(name)) {}
    void ReplyDecoded(int k, ReplyKind, const RxFrame& f) override
    {
        Log.push_back(Name + " data " + std::to_string(k) + " " + HexByte(f.Code));
    }
    void StatusShown(int k, const std::string& text, bool) override { Log.push_back(Name + " status " + std::to_string(k) + " " + text); }
    void RequestEnded(int k, uint8_t code) override { Log.push_back(Name + " ended " + std::to_string(k) + " " + HexByte(code)); }
};

TEST(Dispatch, ListenersAreToldInTheOrderTheySubscribed)
{
    // The rows subscribe before any window: within one reply the row is made before a graph draws it.
    LinkFixture fx;
    std::vector<std::string> log;
    NamedListener rows(log, "rows"), graph(log, "graph");
    fx.link.Subscribe(rows);
    fx.link.Subscribe(graph);
    fx.link.Benches[0].RequestDataStatus(1, false);
    fx.Ack(0, 0x01, std::vector<uint8_t>(16));
    EXPECT_EQ(log, (std::vector<std::string>{"rows data 0 01", "graph data 0 01", "rows status 0 Data Status  ACK",
                                             "graph status 0 Data Status  ACK", "rows status 1 ", "graph status 1 ",
                                             "rows status 2 ", "graph status 2 ", "rows status 3 ", "graph status 3 ",
                                             "rows ended 0 01", "graph ended 0 01"}));
    log.clear();
    fx.link.Unsubscribe(rows);
    fx.link.Benches[0].RequestDataStatus(1, false);
    fx.switchedOn = {true, false, false, false};
    fx.Ack(0, 0x01, std::vector<uint8_t>(16));
    EXPECT_EQ(log, (std::vector<std::string>{"graph data 0 01", "graph status 0 Data Status  ACK", "graph ended 0 01"}));
    fx.link.Unsubscribe(graph);
}

TEST(Dispatch, NoRowsWhileCollectionIsStopped)
{
    LinkFixture fx;
    std::vector<std::string> log;
    NamedListener graph(log, "graph");
    fx.link.Subscribe(graph);
    fx.link.Benches[0].RequestDataStatus(1, false);
    fx.Ack(0, 0x01, std::vector<uint8_t>(16));
    EXPECT_EQ(std::count(fx.events.begin(), fx.events.end(), "row 0"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "graph data 0 01"), 1);
    EXPECT_FALSE(fx.link.Benches[0].Commands[0x01].AwaitingReply);
    fx.link.Unsubscribe(graph);
}

TEST(Dispatch, ShortDataReplyIsNotDecodedButKeepsTheStream)
{
    LinkFixture fx;
    fx.collecting = true;
    BenchRecord& b = fx.link.Benches[0];
    b.RequestDataStatus(2, false);
    fx.Ack(0, 0x01, {0, 0, 0, 0, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(b.GasData.CO2, 256);
    fx.Ack(0, 0x01, {0x30, 0, 0, 0, 0x7F});
    EXPECT_EQ(b.GasData.CO2, 256);
    EXPECT_FALSE(b.InProgress);
    EXPECT_TRUE(b.Commands[0x01].AwaitingReply);
    EXPECT_EQ(std::count(fx.events.begin(), fx.events.end(), "row 0"), 1);
}

TEST(Timeouts, ReportedBetweenTwoAndThreeSecondsOnThePollTick)
{
    LinkFixture fx;
    fx.link.Benches[0].RequestSystemId();
    fx.link.Benches[3].RequestMiscData();
    for (int tick = 1; tick <= 3; ++tick) {
        fx.AdvanceMs(1000);
        EXPECT_TRUE(fx.link.CheckReplyTimeouts());
        if (tick < 2) {
            EXPECT_EQ(fx.edits[0], "");
        }
    }
    EXPECT_EQ(fx.edits[0], "System ID  Timeout");
    EXPECT_EQ(fx.edits[3], "Miscellaneous Data  Timeout");
    EXPECT_TRUE(fx.editRed[3]);
    EXPECT_EQ(fx.link.Benches[0].StatusError, 1);
}

TEST(Timeouts, SwitchedOffBenchIsSkippedUntilSwitchedOnAgain)
{
    LinkFixture fx;
    fx.link.Benches[1].RequestSystemId();
    fx.switchedOn[1] = false;
    fx.AdvanceMs(3000);
    fx.link.CheckReplyTimeouts();
    EXPECT_TRUE(fx.link.Benches[1].Commands[0x04].AwaitingReply);
    fx.switchedOn[1] = true;
    fx.link.CheckReplyTimeouts();
    EXPECT_EQ(fx.edits[1], "System ID  Timeout");
}

TEST(Timeouts, DialogSoftResetGetsTenMoreTicksAndHoldsTheTick)
{
    LinkFixture fx;
    fx.dialogCommand = 0xF0;
    fx.link.Benches[0].RequestSoftReset();
    fx.link.SoftResetGrace = 10;
    fx.link.Benches[1].RequestSystemId();
    fx.AdvanceMs(3000);
    int held = 0;
    while (!fx.link.CheckReplyTimeouts()) {
        ++held;
        EXPECT_EQ(fx.edits[1], "") << "no other time-out is handled while the tick is held";
        fx.AdvanceMs(1000);
        ASSERT_LT(held, 20);
    }
    EXPECT_EQ(held, 10);
    EXPECT_EQ(fx.edits[0], "Soft Reset  Timeout");
    EXPECT_EQ(fx.edits[1], "System ID  Timeout");
}

// A service procedure's claim: what it was handed, and whether it takes a code.
struct RecordingClaim : ReplyClaim {
    std::vector<std::string>& Seen;
    std::string Name;
    bool Running = true;
    bool TakesAll = false;
    std::vector<uint8_t> Codes; // taken; empty: every code
    RecordingClaim(std::vector<std::string>& seen, std::string name) : Seen(seen), Name(std::move(name)) {}
    bool Claiming() const override { return Running; }
    bool Exclusive() const override { return TakesAll; }
    bool Claimed(int, const RxFrame& f) override
    {
        if (!Codes.empty() && std::find(Codes.begin(), Codes.end(), f.Code) == Codes.end())
            return false;
        Seen.push_back(Name + " " + HexByte(f.Code) + (f.Start == kNak ? " nak" : " ack"));
        return true;
    }
    void ClaimedTimeout(int, uint8_t code) override { Seen.push_back(Name + " timeout " + HexByte(code)); }
};

TEST(Dispatch, UpgradeTakesEveryExpectedReply)
{
    LinkFixture fx;
    std::vector<std::string> seen;
    RecordingClaim upgrade(seen, "upgrade");
    upgrade.TakesAll = true;
    fx.link.AddClaim(upgrade);
    std::vector<uint8_t> codes;
    struct Codes : ReplyClaim {
        std::vector<uint8_t>& Out;
        explicit Codes(std::vector<uint8_t>& out) : Out(out) {}
        bool Claiming() const override { return true; }
        bool Claimed(int, const RxFrame& f) override { Out.push_back(f.Code); return true; }
    } after(codes); // a claim after the link's handling never sees what the download took
    fx.link.AddClaim(after);
    fx.link.Benches[0].RequestStartBootMode();
    fx.link.Benches[2].RequestInitiateFlashDownload();
    fx.Nak(0, 0x25, 0x44);
    fx.Ack(2, 0x26);
    EXPECT_EQ(seen, (std::vector<std::string>{"upgrade 25 nak", "upgrade 26 ack"}));
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(fx.edits[0], "");
    EXPECT_EQ(fx.edits[2], "");
    // Once the download is over the replies take their usual road again.
    upgrade.Running = false;
    fx.link.Benches[0].RequestStartBootMode();
    fx.Ack(0, 0x25);
    EXPECT_EQ(codes, (std::vector<uint8_t>{0x25}));
    EXPECT_NE(fx.edits[0], "");
    fx.link.RemoveClaim(after);
    fx.link.RemoveClaim(upgrade);
}

TEST(Dispatch, SoftResetAckDisconnects)
{
    LinkFixture fx;
    struct Disconnects : LinkListener {
        int Count = 0;
        void SoftResetAcknowledged(int) override { ++Count; }
    } disconnects;
    fx.link.Subscribe(disconnects);
    fx.link.Benches[0].RequestSoftReset();
    fx.Ack(0, 0xF0);
    EXPECT_EQ(disconnects.Count, 1);
    fx.link.Unsubscribe(disconnects);
}

TEST(Dispatch, ServiceProceduresGetFlashParameterReplies)
{
    // The editor decodes every acknowledged flash parameter reply; the running procedure claims its
    // steps after the status line shows them, the first claim that takes a code ends the search.
    LinkFixture fx;
    std::vector<std::string> seen;
    struct Editor : LinkListener {
        std::vector<std::string>& Seen;
        const LinkFixture& Fx;
        Editor(std::vector<std::string>& s, const LinkFixture& fx) : Seen(s), Fx(fx) {}
        void ReplyDecoded(int, ReplyKind kind, const RxFrame& f) override
        {
            if (kind == ReplyKind::FlashParam)
                Seen.push_back("editor " + HexByte(f.Code) + " [" + Fx.edits[0] + "]");
        }
    } editor(seen, fx);
    fx.link.Subscribe(editor);
    RecordingClaim cal(seen, "cal"), transfer(seen, "transfer");
    cal.Codes = {0x49, 0x54};
    fx.link.AddClaim(cal);
    fx.link.AddClaim(transfer);
    fx.link.Benches[0].RequestReadFlashParameters(5);
    fx.Ack(0, 0x49, {'1', '.', '5'});
    fx.link.Benches[0].RequestLoadFlashParameters(5);
    fx.Ack(0, 0x55);
    fx.link.Benches[0].RequestStoreFlashParameters(5);
    fx.Nak(0, 0x54, 0x45);
    cal.Running = false;
    fx.link.Benches[0].RequestReadFlashParameters(6);
    fx.Ack(0, 0x49, {'2'});
    // The editor decodes before the status line is shown; the claims come after it.
    EXPECT_EQ(seen, (std::vector<std::string>{"editor 49 []", "cal 49 ack", "editor 55 [Read Flash Parameters  ACK]",
                                              "transfer 55 ack", "cal 54 nak",
                                              "editor 49 [Store Flash Parameters  NAK  : Invalid Password]",
                                              "transfer 49 ack"}));
    // A time-out goes to every claim, running or not, before it is reported.
    seen.clear();
    fx.link.Benches[1].RequestReadFlashParameters(7);
    fx.AdvanceMs(3000);
    fx.link.CheckReplyTimeouts();
    EXPECT_EQ(seen, (std::vector<std::string>{"cal timeout 49", "transfer timeout 49"}));
    fx.link.RemoveClaim(transfer);
    fx.link.RemoveClaim(cal);
    fx.link.Unsubscribe(editor);
}

TEST(Dispatch, ClosingDropsInput)
{
    LinkFixture fx;
    fx.link.Benches[0].RequestSystemId();
    fx.closing = true;
    fx.Ack(0, 0x04, std::vector<uint8_t>(34, 'A'));
    EXPECT_EQ(fx.edits[0], "");
    EXPECT_EQ(fx.link.Benches[0].SystemId.SerialNumber, "");
}
