// The upload/download step machine against an in-memory bench: the test plays
// the link (replies, refusals, time-outs) and the 100 ms timer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <deque>
#include <map>
#include <set>

#include "link/command_slot.h"
#include "service/param_transfer.h"
#include "sim/sim_parameters.h"

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Request {
    uint8_t Code;
    int Bench;
    int Number;
    std::vector<uint8_t> Text; // as handed to the encoder
};

// A view whose bench answers from a simulated parameter store.
struct BenchView : ParamTransfer::View {
    std::array<std::unique_ptr<sim::SimParameterStore>, 4> Stores;
    std::map<int, uint8_t> RefuseLoad;    // parameter -> reason
    std::map<uint8_t, uint8_t> RefuseCode; // code -> reason
    std::set<uint8_t> SilentCodes;
    // Replies to reads with only the first N bytes of the value (-1: whole).
    int ShortReadBytes = -1;
    // Parameter numbers each bench has; it refuses the others as invalid.
    std::array<int, 4> ListLength{401, 401, 401, 401};

    std::vector<Request> Sent;
    std::deque<Request> Pending;
    QStringList States;
    QString Parameter;
    bool StartEnabled = true, TimerOn = false;
    std::deque<bool> OverwriteAnswers;
    int Questions = 0;
    int64_t Now = 1000;

    BenchView()
    {
        for (int k = 0; k < 4; ++k)
            Stores[size_t(k)] = std::make_unique<sim::SimParameterStore>(uint32_t(10 + k));
    }
    void ShowProcessState(const QString& text) override { States << text; }
    void ShowParameter(const QString& text) override { Parameter = text; }
    void SetStartEnabled(bool enabled) override { StartEnabled = enabled; }
    void StopTimer() override { TimerOn = false; }
    void StartTimer(int) override { TimerOn = true; }
    bool AskOverwrite() override
    {
        ++Questions;
        if (OverwriteAnswers.empty())
            return false;
        const bool a = OverwriteAnswers.front();
        OverwriteAnswers.pop_front();
        return a;
    }
    std::string ParamName(int n) override { return n <= 400 ? "P" + std::to_string(n) : std::string(); }
    int64_t NowSeconds() override { return Now; }
    void Queue(uint8_t code, int bench, int n, const uint8_t* text = nullptr, int length = 0)
    {
        Request r{code, bench, n, {}};
        if (text)
            r.Text.assign(text, text + length);
        Sent.push_back(r);
        Pending.push_back(r);
    }
    void SendLoad(int bench, uint16_t n) override { Queue(0x55, bench, n); }
    void SendRead(int bench, uint16_t n) override { Queue(0x49, bench, n); }
    void SendWrite(int bench, uint16_t n, const uint8_t* text, int length) override { Queue(0x48, bench, n, text, length); }
    void SendStore(int bench, uint16_t n) override { Queue(0x54, bench, n); }

    static RxFrame Ack(uint8_t code, const std::string& text = {})
    {
        RxFrame f;
        f.Start = kAck;
        f.Code = code;
        f.Length = uint8_t(std::min<size_t>(text.size(), 255));
        std::copy_n(text.begin(), f.Length, f.Data.begin());
        return f;
    }

    // Answers one request the way the link hands it to the machine.
    void Answer(ParamTransfer& t, const Request& r)
    {
        sim::SimParameterStore& s = *Stores[size_t(r.Bench)];
        if (SilentCodes.count(r.Code))
            return t.Timeout(r.Code);
        if (RefuseCode.count(r.Code))
            return t.Refusal(r.Code, RefuseCode[r.Code]);
        if (r.Number >= ListLength[size_t(r.Bench)])
            return t.Refusal(r.Code, ParamTransfer::kInvalidParameterNumber);
        switch (r.Code) {
        case 0x55:
            if (RefuseLoad.count(r.Number))
                return t.Refusal(0x55, RefuseLoad[r.Number]);
            s.Load(r.Number);
            // The editor reads the loaded parameter back; that reply moves the machine.
            return t.Reply(Ack(0x49, s.Ram(r.Number)));
        case 0x49: {
            std::string text = s.Ram(r.Number);
            if (ShortReadBytes >= 0)
                text = text.substr(0, size_t(ShortReadBytes));
            return t.Reply(Ack(0x49, text));
        }
        case 0x48: {
            const std::string text(r.Text.begin(), std::find(r.Text.begin(), r.Text.end(), uint8_t(0)));
            s.Write(r.Number, text);
            return t.Reply(Ack(0x48));
        }
        default:
            s.Store(r.Number);
            return t.Reply(Ack(0x54));
        }
    }

    // Runs requests and timer ticks until the machine waits for nothing.
    void Run(ParamTransfer& t)
    {
        for (int guard = 0; guard < 200000; ++guard) {
            if (!Pending.empty()) {
                const Request r = Pending.front();
                Pending.pop_front();
                Answer(t, r);
            } else if (TimerOn) {
                TimerOn = false;
                t.TimerTick();
            } else {
                return;
            }
        }
        FAIL() << "the machine did not come to rest";
    }
    int Count(uint8_t code) const
    {
        return int(std::count_if(Sent.begin(), Sent.end(), [code](const Request& r) { return r.Code == code; }));
    }
};

struct TransferTest : ::testing::Test {
    QTemporaryDir Dir;
    BenchView View;
    ParamTransfer T{View};

    void SetUp() override { T.TracePath = Dir.filePath(QStringLiteral("tryfile.txt")); }
    QString File(const char* name) { return Dir.filePath(QString::fromLatin1(name)); }
    void Upload(int bench, const QString& file, int maxParam)
    {
        T.BenchFlags = {};
        T.BenchFlags[size_t(bench)] = true;
        T.ParamFileNames = {};
        T.ParamFileNames[size_t(bench)] = file;
        T.MaxParam = maxParam;
        T.Start(false);
        View.Run(T);
    }
    void Download(int bench, const QString& file)
    {
        T.BenchFlags = {};
        T.BenchFlags[size_t(bench)] = true;
        T.ParamFileNames = {};
        T.ParamFileNames[size_t(bench)] = file;
        T.Start(true);
        View.Run(T);
    }
    void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(TransferTest, UploadThenDownloadCopiesOneBenchIntoAnother)
{
    Upload(0, File("bench1.CAL"), 400);
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Upload"));
    EXPECT_TRUE(View.StartEnabled);
    EXPECT_EQ(T.TransferState, 0);

    Download(1, File("bench1.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Download"));
    EXPECT_EQ(View.Stores[1]->FlashImage(), View.Stores[0]->FlashImage());
    EXPECT_EQ(View.Count(0x54), sim::SimParameterStore::kCount);
    EXPECT_FALSE(View.TimerOn);
}

TEST_F(TransferTest, UploadFileAndTraceHoldTheBenchTexts)
{
    View.Stores[0]->Write(2, "1,2,3");
    View.Stores[0]->Store(2);
    Upload(0, File("b.CAL"), 2);
    const QByteArray file = ReadFile(File("b.CAL"));
    EXPECT_TRUE(file.contains("// 2 P2 \n  1,\t2,\t3 \n")) << file.constData();
    EXPECT_TRUE(file.startsWith("// 0 P0 \n"));
    const QByteArray trace = ReadFile(T.TracePath);
    EXPECT_TRUE(trace.startsWith("CalLoadState = eReadyForULoad \n"));
    EXPECT_TRUE(trace.contains("CalLoadState = eLoadParamU, CurrentParamIndex = 2, Time =          0 \n"));
    EXPECT_TRUE(trace.contains("CalLoadState = eReadParamU, CurrentParamIndex > MaxParameters") ||
                trace.contains("CalLoadState = eLoadParamU, CurrentParamIndex > MaxParameters"));
}

TEST_F(TransferTest, UploadLeavesOutParametersRefusedWithReasonTwoOrFour)
{
    View.RefuseLoad = {{7, 2}, {9, 4}};
    Upload(0, File("b.CAL"), 12);
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Upload"));
    const QByteArray file = ReadFile(File("b.CAL"));
    for (int n = 0; n <= 12; ++n) {
        const QByteArray header = "// " + QByteArray::number(n) + " P" + QByteArray::number(n) + " \n";
        EXPECT_EQ(file.contains(header), n != 7 && n != 9) << n;
    }
}

TEST_F(TransferTest, RepeatedFailuresEndTheRunWithTheirText)
{
    const struct {
        const char* What;
        bool Download;
        std::map<uint8_t, uint8_t> Refuse;
        std::set<uint8_t> Silent;
        QString End;
        uint8_t Code;
    } cases[] = {
        {"load refused for another reason", false, {{0x55, 1}}, {}, "Error  Upload Fail 1 Nak command $ 55 01", 0x55},
        {"read refused", false, {{0x49, 0x46}}, {}, "Error  Upload Fail 1 Nak command $ 49 46", 0x49},
        {"load unanswered", false, {}, {0x55}, "Error  Upload Fail 1 Timeout command $ 55", 0x55},
        {"write refused", true, {{0x48, 0x48}}, {}, "Error  Download Fail 1 Nak command $ 48 48", 0x48},
        // In a download an invalid number is an error like any other refusal.
        {"write refused as invalid", true, {{0x48, 0x46}}, {}, "Error  Download Fail 1 Nak command $ 48 46", 0x48},
        {"store unanswered", true, {}, {0x54}, "Error  Download Fail 1 Timeout command $ 54", 0x54},
    };
    WriteFile(File("in.CAL"), "// 3 P3 \n  1 \n// 4 P4 \n  2 \n");
    for (const auto& c : cases) {
        View.RefuseCode = c.Refuse;
        View.SilentCodes = c.Silent;
        View.Sent.clear();
        QFile::remove(File("out.CAL"));
        if (c.Download)
            Download(0, File("in.CAL"));
        else
            Upload(0, File("out.CAL"), 5);
        EXPECT_EQ(View.States.last(), c.End) << c.What;
        // The first try and ten repeats, then nothing more goes to the bench.
        EXPECT_EQ(View.Count(c.Code), ParamTransfer::kMaxRetries + 1) << c.What;
        EXPECT_TRUE(View.Pending.empty()) << c.What;
        EXPECT_FALSE(View.TimerOn) << c.What;
        EXPECT_TRUE(View.StartEnabled) << c.What;
        EXPECT_EQ(T.TransferState, 0) << c.What;
    }
}

TEST_F(TransferTest, TimeoutsAreTracedAndRepeated)
{
    View.SilentCodes = {0x49};
    Upload(0, File("out.CAL"), 0);
    const QByteArray trace = ReadFile(T.TracePath);
    EXPECT_EQ(trace.count("Timeout, repeat command Time = "), ParamTransfer::kMaxRetries);
    EXPECT_TRUE(trace.endsWith("Timeout error \n"));
}

TEST_F(TransferTest, ReadBackInTheBenchsOwnFormFailsEveryComparison)
{
    WriteFile(File("in.CAL"), "// 5 P5 \n  1.50 \n");
    Download(0, File("in.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Download Fail 1 Param write != Param Read "));
    EXPECT_EQ(View.Count(0x48), ParamTransfer::kMaxRetries + 1);
    EXPECT_EQ(View.Count(0x54), 0); // nothing that failed its check reaches flash
}

TEST_F(TransferTest, ShorterReadBackIsNotTheValueWritten)
{
    WriteFile(File("in.CAL"), "// 5 P5 \n  1,2 \n");
    View.ShortReadBytes = 1; // the bench answers "1" only
    Download(0, File("in.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Download Fail 1 Param write != Param Read "));
    EXPECT_EQ(View.Count(0x54), 0);
}

TEST_F(TransferTest, DownloadSendsTheTextWithItsZeroAndSkipsBlankLines)
{
    WriteFile(File("in.CAL"), "\n// 5 P5 \n  1, 2,\t3 \n\n\n// 6 P6 \n\n");
    Download(0, File("in.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Download"));
    ASSERT_GE(View.Sent.size(), 1u);
    EXPECT_EQ(View.Sent[0].Code, 0x48);
    EXPECT_EQ(View.Sent[0].Number, 5);
    EXPECT_EQ(View.Sent[0].Text, (std::vector<uint8_t>{'1', ',', '2', ',', '3', 0}));
    EXPECT_EQ(View.Stores[0]->Flash(5), "1,2,3");
    EXPECT_EQ(View.Stores[0]->Flash(6), "");
}

TEST_F(TransferTest, BadFilesEndTheRunBeforeAnythingIsSent)
{
    const struct {
        const char* What;
        QByteArray File;
        QString End;
        int Writes;
    } cases[] = {
        {"start is not //", "# 5 X\n 1\n", "Error  Download Fail 1 Start != //  ", 0},
        {"bad number", "// five X\n 1\n", "Error  Download Fail 1 Error ParamNo ", 0},
        {"no data after the last header", "// 5 X\n 1\n// 6 Y\n", "Error  Download Fail 1 No Param data ", 1},
    };
    for (const auto& c : cases) {
        View.Sent.clear();
        WriteFile(File("bad.CAL"), c.File);
        Download(0, File("bad.CAL"));
        EXPECT_EQ(View.States.last(), c.End) << c.What;
        EXPECT_EQ(View.Count(0x48), c.Writes) << c.What;
        EXPECT_FALSE(View.TimerOn) << c.What;
    }
    View.Sent.clear();
    Download(0, File("missing.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Download Fail 1 File Error "));
    Upload(0, Dir.filePath(QStringLiteral("no/such/folder/out.CAL")), 3);
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Upload Fail 1 File Error "));
    T.TracePath = Dir.filePath(QStringLiteral("no/such/folder/tryfile.txt"));
    Upload(0, File("out.CAL"), 3);
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Upload Fail 1 Try File Error "));
    EXPECT_TRUE(View.Sent.empty());
}

TEST_F(TransferTest, OverwriteQuestionAnsweredNoLeavesTheFileAlone)
{
    WriteFile(File("old.CAL"), "keep me");
    View.OverwriteAnswers = {false};
    Upload(0, File("old.CAL"), 3);
    EXPECT_EQ(View.Questions, 1);
    EXPECT_EQ(View.States.last(), QStringLiteral("Aborted  Upload"));
    EXPECT_EQ(ReadFile(File("old.CAL")), QByteArray("keep me"));
    EXPECT_TRUE(View.Sent.empty());

    View.OverwriteAnswers = {true};
    Upload(0, File("old.CAL"), 0);
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Upload"));
    EXPECT_TRUE(ReadFile(File("old.CAL")).startsWith("// 0 P0 \n"));
}

TEST_F(TransferTest, BenchesWithoutTheirBoxArePassedOver)
{
    T.BenchFlags = {true, false, true, false};
    T.ParamFileNames = {File("one.CAL"), {}, File("three.CAL"), {}};
    T.MaxParam = 1;
    T.Start(false);
    View.Run(T);
    EXPECT_EQ(View.States, (QStringList{"Upload in progress", "Done 1", "Done 2", "Done 3", " Successful  Upload"}));
    std::set<int> benches;
    for (const Request& r : View.Sent)
        benches.insert(r.Bench);
    EXPECT_EQ(benches, (std::set<int>{0, 2}));
    EXPECT_TRUE(QFile::exists(File("three.CAL")));
}

// "Last Parameter" is one number for every bench ticked, 500 unless changed: a bench whose list
// ends before it refuses the next number as invalid. That ends its upload, complete, and the run
// goes on with the next bench.
TEST_F(TransferTest, ListEndingBeforeLastParameterCompletesThatBench)
{
    View.ListLength = {300, 401, 250, 401};
    T.BenchFlags = {true, false, true, false};
    T.ParamFileNames = {File("one.CAL"), {}, File("three.CAL"), {}};
    T.MaxParam = 500;
    T.Start(false);
    View.Run(T);
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Upload (bench 1 list ends at 299, bench 3 list ends at 249)"));
    EXPECT_EQ(T.ListEnd, (std::array<int, 4>{299, -1, 249, -1}));
    EXPECT_TRUE(View.StartEnabled);
    EXPECT_EQ(T.TransferState, 0);
    for (const auto& [file, last] : {std::pair{"one.CAL", 299}, std::pair{"three.CAL", 249}}) {
        const QByteArray text = ReadFile(File(file));
        EXPECT_TRUE(text.contains("// " + QByteArray::number(last) + " P" + QByteArray::number(last) + " \n")) << file;
        EXPECT_FALSE(text.contains("// " + QByteArray::number(last + 1) + " ")) << file;
        EXPECT_TRUE(text.endsWith(" \n")) << file; // whole entries, the file flushed and closed
    }
    EXPECT_TRUE(ReadFile(T.TracePath).contains("CalLoadState = eLoadParamU, list ends at 249, Time = "));
    // One refused load per bench: no repeats of a number the bench does not have.
    EXPECT_EQ(std::count_if(View.Sent.begin(), View.Sent.end(), [](const Request& r) { return r.Number == 300; }), 1);

    // A bench that refuses the very first number has uploaded nothing: that stays an error.
    View.Sent.clear();
    View.ListLength = {0, 401, 401, 401};
    QFile::remove(File("one.CAL"));
    Upload(0, File("one.CAL"), 500);
    EXPECT_EQ(View.States.last(), QStringLiteral("Error  Upload Fail 1 Nak command $ 55 46"));
    EXPECT_EQ(View.Count(0x55), ParamTransfer::kMaxRetries + 1);
}

TEST_F(TransferTest, TypedDriveCPathServesUploadAndDownloadAlike)
{
    const QString driveC = Dir.filePath(QStringLiteral("drive_c"));
    ASSERT_TRUE(QDir().mkpath(driveC));
    qputenv("HALYARD_DRIVE_C", driveC.toLocal8Bit());
    Upload(0, QStringLiteral("C:\\bench1.CAL"), 20);
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Upload"));
    EXPECT_TRUE(QFile::exists(driveC + QStringLiteral("/bench1.CAL")));
    Download(1, QStringLiteral("C:\\bench1.CAL"));
    EXPECT_EQ(View.States.last(), QStringLiteral(" Successful  Download"));
    for (int n = 0; n <= 20; ++n)
        EXPECT_EQ(View.Stores[1]->Flash(n), View.Stores[0]->Flash(n)) << n;
    qunsetenv("HALYARD_DRIVE_C");
}

TEST_F(TransferTest, CancelEndsTheRunAlsoWhenIdle)
{
    T.Cancel();
    EXPECT_EQ(View.States.last(), QStringLiteral("Aborted  Upload"));
    EXPECT_FALSE(View.TimerOn);

    T.BenchFlags = {true, false, false, false};
    T.ParamFileNames = {File("c.CAL"), {}, {}, {}};
    T.MaxParam = 50;
    T.Start(false);
    for (int i = 0; i < 5 && !View.Pending.empty(); ++i) {
        const Request r = View.Pending.front();
        View.Pending.pop_front();
        View.Answer(T, r);
    }
    View.Pending.clear();
    T.Cancel();
    EXPECT_EQ(View.States.last(), QStringLiteral("Aborted  Upload"));
    EXPECT_TRUE(View.StartEnabled);
    EXPECT_FALSE(View.TimerOn);
}

} // namespace
