// When the ports are read: on a shared beat rather than on every wake-up of a descriptor, every due
// port read before any is handed on, in bench order, and a port that falls quiet back to watching.
// The timer and the ports are fakes driven by hand: nothing here waits.
#include "link/read_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

struct FakeTimer : IBeatTimer {
    bool active = false;
    std::vector<int> starts;
    void Start(int ms) override
    {
        active = true;
        starts.push_back(ms);
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
};

// A port with bytes arriving on its line; reading moves them to what it holds, handing on empties it.
struct FakePort : IBatchedPort {
    FakePort(std::string name, std::vector<std::string>& journal)
        : name(std::move(name))
        , journal(journal)
    {
    }
    std::string name;
    std::vector<std::string>& journal;
    bool watching = false;
    std::string line; // arrived, not read yet
    std::string held; // read, not handed on yet
    std::string handedOn;
    std::function<void()> onRead;
    std::function<void()> onDeliver;

    void WatchInput(bool on) override { watching = on; }
    int ReadWaiting() override
    {
        journal.push_back("read " + name);
        if (onRead)
            onRead();
        const int n = int(line.size());
        held += line;
        line.clear();
        return n;
    }
    void DeliverInput(int bytes) override
    {
        const std::string slice = held.substr(0, size_t(bytes));
        journal.push_back("deliver " + name + (slice.size() > 1 ? " " + slice : ""));
        handedOn += slice;
        held.erase(0, slice.size());
        if (onDeliver)
            onDeliver();
    }
};

struct ReadBatchTest : ::testing::Test {
    std::vector<std::string> journal;
    FakeTimer timer;
    ReadBatch batch{timer};
    FakePort bench1{"1", journal}, bench2{"2", journal}, bench3{"3", journal};

    // The timer expires.
    void Beat()
    {
        ASSERT_TRUE(timer.active) << "a beat only comes while armed";
        timer.active = false;
        batch.Beat();
    }
    // Bytes arrive; the descriptor's watch, when on, tells the batch.
    void Arrive(FakePort& port, const std::string& bytes)
    {
        port.line += bytes;
        if (port.watching)
            batch.InputWaiting(port);
    }
};

// A bench answering now and then: its reply is read one beat after it came, with one read, and handed on
// at once; the next beat finds nothing, puts the port back to watching and arms nothing more.
TEST_F(ReadBatchTest, AReplyIsReadOnTheNextBeatAndAQuietPortWatchesAgain)
{
    batch.Join(bench1, 0);
    EXPECT_TRUE(bench1.watching);
    EXPECT_FALSE(timer.active);

    Arrive(bench1, "ACK");
    EXPECT_TRUE(journal.empty()) << "nothing is read when the bytes come";
    EXPECT_FALSE(bench1.watching);
    ASSERT_EQ(timer.starts, std::vector<int>{ReadBatch::kBeatMs});

    Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "deliver 1 ACK"}));
    EXPECT_EQ(bench1.handedOn, "ACK");
    EXPECT_TRUE(timer.active) << "a port that had bytes is read again on the next beat";
    EXPECT_FALSE(bench1.watching);

    Beat();
    EXPECT_EQ(journal.back(), "read 1");
    EXPECT_TRUE(bench1.watching);
    EXPECT_FALSE(timer.active);
    EXPECT_FALSE(batch.Due(bench1));

    // A second later: the same again.
    journal.clear();
    Arrive(bench1, "NAK");
    Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "deliver 1 NAK"}));
    EXPECT_EQ(bench1.handedOn, "ACKNAK");
}

// A streaming bench: whatever a beat brought is read in one call, once a beat, with the watch off; notices
// that come while the port is due (QSerialPort's, should it read) add neither reads nor beats.
TEST_F(ReadBatchTest, AStreamingPortIsReadOnceABeatWhateverArrivedMeanwhile)
{
    batch.Join(bench1, 0);
    Arrive(bench1, "a");
    for (int beat = 0; beat < 5; ++beat) {
        Arrive(bench1, "b");
        Arrive(bench1, "c");
        batch.InputWaiting(bench1);
        Beat();
    }
    EXPECT_EQ(bench1.handedOn, "abcbcbcbcbc");
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "read 1"), 5);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(), [](const std::string& e) { return e.rfind("deliver 1", 0) == 0; }), 5);
    EXPECT_EQ(timer.starts.size(), 6u);
    EXPECT_FALSE(bench1.watching);
}

// Every due port is read before any is handed on, and they are handed on in bench order whatever order
// they joined in or their bytes came in: the highest bench, whose replies make the rows, comes last.
TEST_F(ReadBatchTest, DuePortsAreAllReadThenHandedOnInBenchOrder)
{
    batch.Join(bench3, 2);
    batch.Join(bench1, 0);
    batch.Join(bench2, 1);
    Arrive(bench3, "x");
    Arrive(bench1, "y");
    Arrive(bench2, "z");
    EXPECT_EQ(timer.starts.size(), 1u) << "one beat for all";
    Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "read 3", "deliver 1", "deliver 2", "deliver 3"}));

    // Next beat only bench 2 has new bytes: all three are read, bench 2 alone handed on, 1 and 3 watch.
    journal.clear();
    bench2.line = "w";
    Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "read 3", "deliver 2"}));
    EXPECT_TRUE(bench1.watching);
    EXPECT_FALSE(bench2.watching);
    EXPECT_TRUE(bench3.watching);
}

// Bytes come at the pace of the line, so a batch is handed on in slices, the same share of each port's
// bytes a round, lowest bench first: a reply is handed on after what the other benches sent before it,
// give or take a slice, and the rows pair each reply of the highest bench with its contemporaries.
TEST_F(ReadBatchTest, BatchesOfSeveralPortsAreHandedOnInterleavedByShare)
{
    FakeTimer sliceTimer;
    ReadBatch sliced(sliceTimer, ReadBatch::kBeatMs, 4);
    sliced.Join(bench1, 0);
    sliced.Join(bench2, 1);
    sliced.Join(bench3, 2);
    bench1.line = "aaaaAAAAaa"; // the most, 10 bytes: 3 rounds at 4 bytes a slice
    bench2.line = "bbbBBB";
    bench3.line = "c";
    for (FakePort* port : {&bench1, &bench2, &bench3})
        sliced.InputWaiting(*port);
    sliceTimer.active = false;
    sliced.Beat();
    // Each round hands on up to the same share of every batch: a third, two thirds, all.
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "read 3",
                                                 "deliver 1 aaa", "deliver 2 bb",
                                                 "deliver 1 aAA", "deliver 2 bB",
                                                 "deliver 1 AAaa", "deliver 2 BB", "deliver 3"}));
    EXPECT_EQ(bench1.handedOn, "aaaaAAAAaa");
    EXPECT_EQ(bench2.handedOn, "bbbBBB");
    EXPECT_EQ(bench3.handedOn, "c");

    // A port alone is handed its batch whole, however long.
    journal.clear();
    bench2.line = std::string(100, 'x');
    sliceTimer.active = false;
    sliced.Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "read 3", "deliver 2 " + std::string(100, 'x')}));
}

// Handing on may show a box with an event loop of its own: the beat is armed before, so the ports go on
// being read meanwhile, and a nested beat neither reads nor hands on anything twice.
TEST_F(ReadBatchTest, ABeatInsideAHandlerKeepsReadingAndLosesNothing)
{
    batch.Join(bench1, 0);
    batch.Join(bench2, 1);
    bool nested = false;
    bench1.onDeliver = [&] {
        EXPECT_TRUE(timer.active);
        if (nested)
            return;
        nested = true;
        Arrive(bench1, "3");
        Arrive(bench2, "4");
        Beat();
    };
    Arrive(bench1, "1");
    Arrive(bench2, "2");
    Beat();
    EXPECT_EQ(bench1.handedOn, "13");
    EXPECT_EQ(bench2.handedOn, "24");
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "deliver 1", "read 1", "read 2", "deliver 1",
                                                 "deliver 2", "deliver 2"}));
}

// A handler that closes ports (a soft reset switches every bench off), and a port that fails while it is
// read: neither is read nor handed anything after it left, and the beat stops once no port is due.
TEST_F(ReadBatchTest, APortThatLeavesMidBeatGetsNothingMore)
{
    batch.Join(bench1, 0);
    batch.Join(bench2, 1);
    batch.Join(bench3, 2);
    bench1.onDeliver = [&] {
        batch.Leave(bench1);
        batch.Leave(bench2);
    };
    bench3.onRead = [&] { batch.Leave(bench3); };
    Arrive(bench1, "a");
    Arrive(bench2, "b");
    Arrive(bench3, "c");
    Beat();
    EXPECT_EQ(journal, (std::vector<std::string>{"read 1", "read 2", "read 3", "deliver 1"}));
    EXPECT_EQ(bench2.handedOn, "");
    EXPECT_FALSE(timer.active);

    // Left ports are forgotten: their notices do nothing; joining again (opened anew, what was read
    // before the close gone with it) starts them watching.
    batch.InputWaiting(bench2);
    EXPECT_FALSE(timer.active);
    bench2.held.clear();
    batch.Join(bench2, 1);
    EXPECT_TRUE(bench2.watching);
    Arrive(bench2, "d");
    Beat();
    EXPECT_EQ(bench2.handedOn, "d");
}

} // namespace
