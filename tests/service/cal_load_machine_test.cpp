#include "service/cal_load_machine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <deque>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "support/cal_fixture.h"
#include "link/command_slot.h"
#include "sim/sim_parameters.h"

namespace {

TEST(CheckCalValues, TolerancesAndCounts)
{
    using namespace std::string_literals;
    struct Case {
        std::string Text;
        std::vector<float> Expected;
        float Tolerance;
        bool Match;
    };
    const Case cases[] = {
        {"1.2", {1.2f}, 0.0f, true},
        {"1.205", {1.2f}, 0.0f, false},
        {"1.205", {1.2f}, 0.01f, true},
        {"1.22", {1.2f}, 0.01f, false},
        {"1,2", {1, 2, 3}, 0.0f, false},        // fewer values than expected
        {"1,2,3,4", {1, 2, 3}, 0.0f, true},     // the rest is ignored
        {"1,2,", {1, 2, 3}, 0.0f, false},       // an empty value is no value
        {"1,x,3", {1, 2, 3}, 0.0f, false},
        {"", {1}, 0.0f, false},
        {"-1.5e-3,0", {-0.0015f, 0.0f}, 0.0f, true},
        {"2,1", {1, 2}, 0.0f, false},
        // How a bench may end or lay out its text: a zero byte ends it, blanks and line ends
        // around a value are no part of it.
        {"1,2,3\0"s, {1, 2, 3}, 0.0f, true},
        {"1,2,3\0,9,9"s, {1, 2, 3}, 0.0f, true},
        {"1,2\0,3"s, {1, 2, 3}, 0.0f, false}, // the text ends at the zero: two values only
        {"1,2,3 ", {1, 2, 3}, 0.0f, true},
        {"1,2,3\r\n", {1, 2, 3}, 0.0f, true},
        {"1,2,3 \r\n\0"s, {1, 2, 3}, 0.0f, true},
        {" 1,\t2 , 3", {1, 2, 3}, 0.0f, true},
        {"1,2,\r\n", {1, 2, 3}, 0.0f, false}, // a line end is no value
        // Anything else around a number is still a mismatch.
        {"1,2,3;", {1, 2, 3}, 0.0f, false},
        {"1,2,3 x", {1, 2, 3}, 0.0f, false},
        {"1,2 2,3", {1, 2, 3}, 0.0f, false},
        {"1,2,\x01" "3", {1, 2, 3}, 0.0f, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckCalValues(int(c.Expected.size()), c.Expected, c.Text, c.Tolerance), c.Match) << c.Text;
}

// A bench answering the procedure: a parameter store of its own, replies handed
// back one at a time, and the parameter editor's read-back after each load.
struct CalHarness {
    QTemporaryDir Dir;
    sim::SimParameterStore Store{7};
    CalLoadMachine Machine;
    std::set<int> Ticked{0};
    std::deque<RxFrame> Pending;
    std::vector<std::string> Sent;     // "W 117", "S 117", "L 117", "R 1", with the bench as "b2:" prefix when not 1
    std::vector<std::string> Statuses;
    std::vector<std::string> Warnings;
    std::string LastParamText;
    bool TimerRunning = false;
    std::map<int, int> SpoilReadBack;  // parameter -> read-backs still to spoil
    std::map<int, int> LoseReadBack;   // parameter -> read-backs still to lose after the load
    std::string ReadBackEnding;        // what the bench puts after the text of each read reply
    int NakWriteOf = -1;
    bool Silent = false;

    CalHarness() : Machine(Ports()) {}

    CalLoadPorts Ports()
    {
        CalLoadPorts p;
        p.ReadFlashParameters = [this](int k, uint16_t n) {
            Log(k, "R", n);
            Answer(0x49, Store.Ram(n));
        };
        p.WriteFlashParameters = [this](int k, uint16_t n, const std::string& text) {
            Log(k, "W", n);
            if (int(n) == NakWriteOf)
                return Refuse(0x48);
            Store.Write(n, text);
            Answer(0x48, "");
        };
        p.StoreFlashParameters = [this](int k, uint16_t n) {
            Log(k, "S", n);
            Store.Store(n);
            Answer(0x54, "");
        };
        p.LoadFlashParameters = [this](int k, uint16_t n) {
            Log(k, "L", n);
            Store.Load(n);
            // The load's reply makes the parameter editor read the value back.
            std::string text = Store.Ram(n);
            if (SpoilReadBack[n] > 0) {
                --SpoilReadBack[n];
                text = "9" + text;
            }
            if (LoseReadBack[n] > 0) {
                --LoseReadBack[n]; // the load is acknowledged, its read-back never arrives
                return;
            }
            Answer(0x49, text);
        };
        p.BenchTicked = [this](int k) { return Ticked.count(k) > 0; };
        p.LastParamText = [this] { return LastParamText; };
        p.ClearLastParamText = [this] { LastParamText.clear(); };
        p.ShowStatus = [this](const std::string& s) { Statuses.push_back(s); };
        p.StartTimer = [this](int) { TimerRunning = true; };
        p.StopTimer = [this] { TimerRunning = false; };
        p.Warning = [this](const std::string& s) { Warnings.push_back(s); };
        return p;
    }

    void Log(int k, const char* what, int n)
    {
        Sent.push_back((k ? "b" + std::to_string(k + 1) + ":" : std::string()) + what + " " + std::to_string(n));
    }
    void Answer(uint8_t code, const std::string& text)
    {
        if (Silent)
            return;
        RxFrame f;
        f.Start = kAck;
        f.Code = code;
        const std::string sent = code == 0x49 ? text + ReadBackEnding : text;
        f.Length = uint8_t(sent.size());
        std::copy(sent.begin(), sent.end(), f.Data.begin());
        if (code == 0x49)
            LastParamText = sent; // the editor keeps the text before the step runs
        Pending.push_back(f);
    }
    void Refuse(uint8_t code)
    {
        RxFrame f;
        f.Start = kNak;
        f.Code = code;
        f.Length = 1;
        f.Data[0] = 0x02;
        Pending.push_back(f);
    }

    std::string WriteFile(const std::string& name, const std::string& text)
    {
        const std::string path = Dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Runs until the procedure stops: replies first, else the timer; never more
    // than a generous number of steps, so a stuck machine fails instead of hanging.
    void Run()
    {
        Machine.TracePath = Dir.filePath("tryfile.txt").toStdString();
        Machine.Start();
        for (int steps = 0; steps < 5000; ++steps) {
            if (!Pending.empty()) {
                const RxFrame f = Pending.front();
                Pending.pop_front();
                Machine.Reply(f);
            } else if (TimerRunning) {
                TimerRunning = false;
                Machine.Tick();
            } else {
                return;
            }
        }
        FAIL() << "the procedure did not stop";
    }
    std::string Trace() const
    {
        std::ifstream in(Dir.filePath("tryfile.txt").toStdString(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST(CalLoadMachine, LoadWritesEachCalibrationParameterAndChecksItBack)
{
    CalHarness h;
    h.Store.SetNormalise(false);
    const CalFileContent c = CalFileContent::Sample();
    h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", c.Text(true));
    const sim::SimParameterStore before = h.Store;
    h.Run();
    EXPECT_EQ(h.Statuses.back(), "Download Successful, Kestrel 1");
    EXPECT_FALSE(h.Machine.Running());
    EXPECT_EQ(h.Machine.CalState(), 0);
    const auto expected = c.Expected();
    ASSERT_EQ(expected.size(), 42u);
    for (int n = 0; n < sim::SimParameterStore::kCount; ++n) {
        if (expected.count(n)) {
            EXPECT_EQ(h.Store.Ram(n), expected.at(n)) << n;
            EXPECT_EQ(h.Store.Flash(n), expected.at(n)) << n;
        } else {
            EXPECT_EQ(h.Store.Ram(n), before.Ram(n)) << n;
        }
    }
    // Write, store and load of every parameter, in file order; the serial read first.
    EXPECT_EQ(h.Sent.front(), "R 1");
    EXPECT_EQ(h.Sent[1], "W 117");
    EXPECT_EQ(std::count_if(h.Sent.begin(), h.Sent.end(), [](const std::string& s) { return s[0] == 'W'; }), 42);
    const std::string trace = h.Trace();
    EXPECT_EQ(trace.rfind("Started Download \neReadFileSerialNum \neSerialNumberRead \n", 0), 0u) << trace.substr(0, 80);
    EXPECT_NE(trace.find("Param 117 Load\n"), std::string::npos);
    EXPECT_NE(trace.find("CalDetTempParam 152 Load\n"), std::string::npos);
    EXPECT_NE(trace.find("CheckValues: numVals=20, fltVals[0]=  1.00, strngVals=1.000e+00,"), std::string::npos);
}

TEST(CalLoadMachine, CheckPassesOnTheSameFileAndFailsOnOneChangedValue)
{
    const CalFileContent c = CalFileContent::Sample();
    CalHarness loaded;
    loaded.Machine.CalFileNames[0] = loaded.WriteFile("a.CAL", c.Text(false));
    loaded.Run();
    ASSERT_EQ(loaded.Statuses.back(), "Download Successful, Kestrel 1");

    struct Case {
        const char* Name;
        std::function<void(CalFileContent&)> Change;
        const char* Result;
    };
    const Case cases[] = {
        {"same file", [](CalFileContent&) {}, "Check Successful, Kestrel 1"},
        {"one NH3 coefficient", [](CalFileContent& f) { f.Records[274][19] = "1.0"; }, "Error, Bench 1"},
        {"one pressure", [](CalFileContent& f) { f.Temps[3][2] = "700.0"; }, "Error, Bench 1"},
    };
    for (const Case& k : cases) {
        CalHarness h;
        h.Store = loaded.Store;
        CalFileContent changed = c;
        k.Change(changed);
        h.Machine.LoadMode = false;
        h.Machine.CalFileNames[0] = h.WriteFile("b.CAL", changed.Text(false));
        h.Run();
        EXPECT_EQ(h.Statuses.back(), k.Result) << k.Name;
        for (const std::string& s : h.Sent)
            EXPECT_TRUE(s[0] == 'L' || s[0] == 'R') << k.Name << ": check mode sent " << s;
    }
}

TEST(CalLoadMachine, ABenchsTextEndingFailsNoComparison)
{
    // A bench may end each read-back with a zero byte, a blank or CR LF.
    const CalFileContent c = CalFileContent::Sample();
    for (const std::string& ending : {std::string(1, '\0'), std::string(" "), std::string("\r\n"), std::string(" \r\n\0", 4)}) {
        CalHarness load;
        load.ReadBackEnding = ending;
        load.Machine.CalFileNames[0] = load.WriteFile("a.CAL", c.Text(false));
        load.Run();
        EXPECT_EQ(load.Statuses.back(), "Download Successful, Kestrel 1") << ending.size();
        EXPECT_EQ(std::count_if(load.Sent.begin(), load.Sent.end(), [](const std::string& s) { return s[0] == 'W'; }), 42);

        CalHarness check;
        check.Store = load.Store;
        check.ReadBackEnding = ending;
        check.Machine.LoadMode = false;
        check.Machine.CalFileNames[0] = check.WriteFile("a.CAL", c.Text(false));
        check.Run();
        EXPECT_EQ(check.Statuses.back(), "Check Successful, Kestrel 1") << ending.size();
    }
}

TEST(CalLoadMachine, ALostReadBackIsAMismatchNotThePreviousText)
{
    // Parameters 117 and 127 carry the same values (all-zero groups are common): the read-back
    // of 127 that never arrives must not pass on the text still held from 117.
    CalFileContent c = CalFileContent::Sample();
    c.Records[127] = c.Records[117];
    CalHarness loaded;
    loaded.Machine.CalFileNames[0] = loaded.WriteFile("a.CAL", c.Text(false));
    loaded.Run();
    ASSERT_EQ(loaded.Statuses.back(), "Download Successful, Kestrel 1");

    struct Case {
        bool Load;
        int Lost;
        const char* Result;
        int Writes127;
    };
    for (const Case& k : {Case{true, 1, "Download Successful, Kestrel 1", 2}, // retried, then read back
                          Case{true, 3, "Error, Bench 1", 3},
                          Case{false, 1, "Error, Bench 1", 0}}) {
        CalHarness h;
        h.Store = loaded.Store;
        h.LoseReadBack[127] = k.Lost;
        h.Machine.LoadMode = k.Load;
        h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", c.Text(false));
        h.Run();
        EXPECT_EQ(h.Statuses.back(), k.Result) << k.Load << k.Lost;
        EXPECT_EQ(std::count(h.Sent.begin(), h.Sent.end(), "W 127"), k.Writes127) << k.Load << k.Lost;
        EXPECT_EQ(std::count(h.Sent.begin(), h.Sent.end(), "L 127"), k.Load ? std::min(k.Lost + 1, 3) : 1)
            << k.Load << k.Lost;
    }
}

// A write request carries at most kMaxFlashDataBytes of text; a longer one would be cut and the
// cut text stored. Load refuses such values before writing them; check writes nothing and
// compares them as numbers.
TEST(CalLoadMachine, ValuesTooLongForOneWrite)
{
    // The same numbers with 60 more zeros among their decimals.
    auto padded = [](std::string v) {
        const size_t e = v.find_first_of("eE");
        return v.insert(e == std::string::npos ? v.size() : e, 60, '0');
    };
    const CalFileContent c = CalFileContent::Sample();
    CalFileContent longTemps = c;
    for (auto& t : longTemps.Temps)
        t[1] = padded(t[1]); // detector temperatures: 4 values of some 65 characters
    CalFileContent longGroup = c;
    for (std::string& v : longGroup.Records[117])
        v = padded(v);
    CalFileContent both = longTemps;
    both.Records[117] = longGroup.Records[117];

    CalHarness loaded;
    loaded.Machine.CalFileNames[0] = loaded.WriteFile("a.CAL", c.Text(false));
    loaded.Run();
    ASSERT_EQ(loaded.Statuses.back(), "Download Successful, Kestrel 1");

    struct Case {
        const char* Name;
        const CalFileContent& File;
        bool Load;
        const char* Result;
        std::vector<std::string> Warnings;
        const char* NeverSent;
    };
    const Case cases[] = {
        // The detector list outgrows a request with the fourth temperature line (line 113).
        {"long temperature list, load", longTemps, true, "Error, Bench 1",
         {"Cal file line 113: values of parameter 152 are longer than 251 characters"}, "W 152"},
        {"long coefficient group, load", longGroup, true, "Error, Bench 1",
         {"Cal file line 6: values of parameter 117 are longer than 251 characters"}, "W 117"},
        {"both, check", both, false, "Check Successful, Kestrel 1", {}, "W 117"},
    };
    for (const Case& k : cases) {
        CalHarness h;
        h.Store = loaded.Store;
        h.Machine.LoadMode = k.Load;
        h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", k.File.Text(false));
        h.Run();
        EXPECT_EQ(h.Statuses.back(), k.Result) << k.Name;
        EXPECT_EQ(h.Warnings, k.Warnings) << k.Name;
        EXPECT_EQ(std::count(h.Sent.begin(), h.Sent.end(), k.NeverSent), 0) << k.Name;
        EXPECT_EQ(h.Store.Flash(152), loaded.Store.Flash(152)) << k.Name;
    }
}

// Each kind of parameter gets at most three attempts (write, store, load, compare): a read-back
// spoiled twice still loads, one spoiled three times ends in the error, and neither ever takes a
// fourth write.
TEST(CalLoadMachine, RetriesAParameterTwiceThenGivesUp)
{
    struct Case {
        const char* Kind;
        int Param;
        int Spoiled; // read-backs that come back wrong
        const char* Result;
        int Writes; // of that parameter
    };
    const Case cases[] = {
        {"span coefficients", 117, 2, "Download Successful, Kestrel 1", 3},
        {"span coefficients", 117, 3, "Error, Bench 1", 3},
        {"detector temperatures", 152, 2, "Download Successful, Kestrel 1", 3},
        {"detector temperatures", 152, 3, "Error, Bench 1", 3},
        {"cell temperatures", 153, 2, "Download Successful, Kestrel 1", 3},
        {"cell temperatures", 153, 3, "Error, Bench 1", 3},
        {"pressures", 154, 2, "Download Successful, Kestrel 1", 3},
        {"pressures", 154, 3, "Error, Bench 1", 3},
        {"zero temperature coefficients", 145, 2, "Download Successful, Kestrel 1", 3},
        {"zero temperature coefficients", 145, 3, "Error, Bench 1", 3},
        {"NH3 coefficients, first", 273, 2, "Download Successful, Kestrel 1", 3},
        {"NH3 coefficients, second", 274, 3, "Error, Bench 1", 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.Kind) + ", " + std::to_string(k.Spoiled) + " spoiled");
        CalHarness h;
        h.SpoilReadBack[k.Param] = k.Spoiled;
        h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", CalFileContent::Sample().Text(false));
        h.Run();
        EXPECT_EQ(h.Statuses.back(), k.Result);
        EXPECT_EQ(int(std::count(h.Sent.begin(), h.Sent.end(), "W " + std::to_string(k.Param))), k.Writes);
    }
}

TEST(CalLoadMachine, EveryFailureEndsWithTheBenchNumberAndSendsNothingAfter)
{
    struct Case {
        const char* Name;
        std::function<void(CalHarness&)> Set;
        std::vector<std::string> Shown; // in this order among the statuses
        size_t RequestsAtMost;
    };
    const std::string good = CalFileContent::Sample().Text(false);
    std::string shortLine = good;
    shortLine.replace(shortLine.find("\r\n", shortLine.find("\r\n") + 2) + 2, 0, "1 2\r\n");
    const Case cases[] = {
        {"NAK of a write", [](CalHarness& h) { h.NakWriteOf = 133; }, {"NAK Error", "eCalLoadEnd", "Error, Bench 1"}, 0},
        {"bench silent", [](CalHarness& h) { h.Silent = true; }, {"eParamCheck", "Error", "Error, Bench 1"}, 0},
        {"missing file", [](CalHarness& h) { h.Machine.CalFileNames[0] = "/nonexistent/x.CAL"; },
         {"eReadyForCalLoad", "eCalLoadEnd", "Error, Bench 1"}, 0},
        {"short data line", [&](CalHarness& h) { h.Machine.CalFileNames[0] = h.WriteFile("s.CAL", shortLine); },
         {"eReadSpanInterPolyCoeff", "Error", "Error, Bench 1"}, 1},
        {"file ends early", [&](CalHarness& h) { h.Machine.CalFileNames[0] = h.WriteFile("e.CAL", good.substr(0, 400)); },
         {"Error", "Error, Bench 1"}, 100},
    };
    for (const Case& c : cases) {
        CalHarness h;
        h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", good);
        c.Set(h);
        h.Run();
        size_t at = 0;
        for (const std::string& s : c.Shown) {
            auto it = std::find(h.Statuses.begin() + long(at), h.Statuses.end(), s);
            ASSERT_NE(it, h.Statuses.end()) << c.Name << ": " << s;
            at = size_t(it - h.Statuses.begin());
        }
        EXPECT_EQ(h.Statuses.back(), "Error, Bench 1") << c.Name;
        EXPECT_FALSE(h.Machine.Running()) << c.Name;
        if (c.RequestsAtMost) {
            EXPECT_LE(h.Sent.size(), c.RequestsAtMost) << c.Name;
        }
    }
    // The NAK stops the run at the refused write: nothing follows it.
    CalHarness nak;
    nak.NakWriteOf = 133;
    nak.Machine.CalFileNames[0] = nak.WriteFile("a.CAL", good);
    nak.Run();
    EXPECT_EQ(nak.Sent.back(), "W 133");
    // A malformed file is reported in a warning naming the line.
    CalHarness bad;
    bad.Machine.CalFileNames[0] = bad.WriteFile("s.CAL", shortLine);
    bad.Run();
    ASSERT_EQ(bad.Warnings.size(), 1u);
    EXPECT_EQ(bad.Warnings[0], "Cal file line 3: 5 values expected, 2 found");
}

TEST(CalLoadMachine, BenchChoice)
{
    const std::string good = CalFileContent::Sample().Text(false);
    // No box ticked: the scan passes bench 4 silently.
    CalHarness none;
    none.Ticked.clear();
    none.Run();
    EXPECT_TRUE(none.Sent.empty());
    EXPECT_EQ(none.Statuses.back(), "eCalLoadEnd");
    EXPECT_FALSE(none.Machine.Running());
    // Boxes 2 and 3: bench 2 only.
    CalHarness two;
    two.Ticked = {1, 2};
    two.Machine.CalFileNames[1] = two.WriteFile("b.CAL", good);
    two.Machine.CalFileNames[2] = two.WriteFile("c.CAL", good);
    two.Run();
    EXPECT_EQ(two.Statuses.back(), "Download Successful, Kestrel 2");
    for (const std::string& s : two.Sent)
        EXPECT_EQ(s.substr(0, 3), "b2:");
}

TEST(CalLoadMachine, CancelEndsTheRunWithoutClaimingSuccess)
{
    CalHarness h;
    h.Machine.CalFileNames[0] = h.WriteFile("a.CAL", CalFileContent::Sample().Text(false));
    h.Machine.TracePath = h.Dir.filePath("tryfile.txt").toStdString();
    h.Machine.Start();
    for (int i = 0; i < 5; ++i) {
        if (!h.Pending.empty()) {
            const RxFrame f = h.Pending.front();
            h.Pending.pop_front();
            h.Machine.Reply(f);
        } else {
            h.Machine.Tick();
        }
    }
    const size_t sent = h.Sent.size();
    h.Machine.Cancel();
    h.Pending.clear(); // the window is hidden: no replies reach it
    h.Machine.Tick();
    EXPECT_EQ(h.Sent.size(), sent);
    EXPECT_EQ(h.Statuses.back(), "Procedure Aborted");
    EXPECT_FALSE(h.Machine.Running());
    EXPECT_FALSE(h.TimerRunning);
}

} // namespace
