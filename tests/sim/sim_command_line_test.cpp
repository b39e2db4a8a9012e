#include "sim/sim_command_line.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {
ParseResult Parse(QStringList args, SimServerConfig* c, QString* msg = nullptr)
{
    args.prepend("kestrel-sim");
    QString ignored;
    return ParseSimCommandLine(args, c, msg ? msg : &ignored);
}
} // namespace

TEST(SimCommandLine, DefaultsAndEveryKnob)
{
    SimServerConfig c;
    ASSERT_EQ(Parse({}, &c), ParseResult::Ok);
    EXPECT_EQ(c.benches, 1);
    EXPECT_EQ(c.bench.replyPeriodMs, 100);
    EXPECT_EQ(c.bench.baud, 115200);
    EXPECT_FALSE(c.bench.lineRate);
    EXPECT_EQ(c.vanishAfterMs, -1);

    SimServerConfig d;
    ASSERT_EQ(Parse({"--benches", "3", "--devices", "/tmp/x", "--period", "250", "--line-rate", "--baud",
                     "19200", "--seed", "0x10", "--nak", "0x44:0x45", "--nak", "4:2", "--nak-param", "7:2",
                     "--silent=0x01", "--silent=$41", "--corrupt", "5", "--noise", "20", "--split",
                     "--vanish-after", "2.5", "--zero-required", "--process-ms", "800"},
                    &d),
              ParseResult::Ok);
    EXPECT_EQ(d.benches, 3);
    EXPECT_EQ(d.devicesDir, "/tmp/x");
    EXPECT_EQ(d.bench.replyPeriodMs, 250);
    EXPECT_TRUE(d.bench.lineRate);
    EXPECT_EQ(d.bench.baud, 19200);
    EXPECT_EQ(d.bench.seed, 16u);
    EXPECT_EQ(d.faults.nakCode.at(0x44), 0x45);
    EXPECT_EQ(d.faults.nakCode.at(0x04), 0x02);
    EXPECT_EQ(d.faults.nakParameter.at(7), 0x02);
    EXPECT_FALSE(d.faults.silentAll);
    EXPECT_EQ(d.faults.silentCodes, (std::set<uint8_t>{0x01, 0x41}));
    EXPECT_EQ(d.faults.corruptNext, 5);
    EXPECT_EQ(d.faults.noisePercent, 20);
    EXPECT_TRUE(d.faults.splitWrites);
    EXPECT_EQ(d.vanishAfterMs, 2500);
    EXPECT_TRUE(d.faults.zeroRequired);
    EXPECT_EQ(d.bench.processMs, 800);

    SimServerConfig e;
    ASSERT_EQ(Parse({"--silent", "--corrupt", "all", "--ports", "2,4", "--silent-param-from", "40"}, &e), ParseResult::Ok);
    EXPECT_TRUE(e.faults.silentAll);
    EXPECT_EQ(e.faults.silentFromParamRequest, 40);
    EXPECT_TRUE(e.faults.corruptAll);
    EXPECT_EQ(e.ports, (QVector<int>{2, 4}));
    EXPECT_EQ(e.benches, 2);
}

TEST(SimCommandLine, BadValuesAreRefused)
{
    const QStringList bad[] = {
        {"--benches", "5"},       {"--benches", "0"},     {"--nak", "0x44"},     {"--nak", "0x144:1"},
        {"--period", "0"},        {"--noise", "101"},     {"--corrupt", "many"}, {"--silent=zz"},
        {"--vanish-after", "x"},  {"--ports", "1,1"},     {"--ports", "1,2", "--benches", "3"},
        {"--bogus"},              {"stray"},              {"--silent-param-from", "0"},
        {"--delay", "-1"},        {"--garbage", "x"},     {"--nak-stream", "0x100"},
        {"--come-back-after", "-2"},
    };
    for (const QStringList& args : bad) {
        SimServerConfig c;
        QString msg;
        EXPECT_EQ(Parse(args, &c, &msg), ParseResult::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(msg.isEmpty());
    }
    SimServerConfig c;
    QString help;
    EXPECT_EQ(Parse({"--help"}, &c, &help), ParseResult::Help);
    EXPECT_TRUE(help.contains("--line-rate"));
}

TEST(SimCommandLine, LineFaultKnobs)
{
    SimServerConfig c;
    ASSERT_EQ(Parse({}, &c), ParseResult::Ok);
    EXPECT_EQ(c.faults.comeBackAfterMs, -1);
    EXPECT_EQ(c.faults.replyDelayMs, 0);
    EXPECT_EQ(c.faults.nakStreamReason, -1);
    EXPECT_EQ(c.faults.garbageBytes, 0);

    SimServerConfig d;
    ASSERT_EQ(Parse({"--vanish-after", "1", "--come-back-after", "0.5", "--delay", "300", "--nak-stream", "3",
                     "--garbage", "1048576"},
                    &d),
              ParseResult::Ok);
    EXPECT_EQ(d.faults.comeBackAfterMs, 500);
    EXPECT_EQ(d.faults.replyDelayMs, 300);
    EXPECT_EQ(d.faults.nakStreamReason, 3);
    EXPECT_EQ(d.faults.garbageBytes, 1048576);
}
