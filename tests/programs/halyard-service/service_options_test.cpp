// The command line of halyard-service as a table: what it takes, and what it refuses as bad
// usage before anything is opened.
#include <gtest/gtest.h>

#include "programs/halyard-service/service_options.h"

namespace {

QStringList Words(const char* line) { return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

TEST(ServiceOptions, GoodCommandLines)
{
    using C = ServiceOptions::Command;
    {
        const ServiceOptionsResult r = ParseServiceOptions(Words("upgrade --benches 1,2,3,4 KITE.s19"));
        ASSERT_TRUE(r.Error.isEmpty()) << qPrintable(r.Error);
        EXPECT_EQ(r.Options.What, C::Upgrade);
        EXPECT_EQ(r.Options.BenchCount(), 4);
        EXPECT_EQ(r.Options.File, QStringLiteral("KITE.s19"));
        EXPECT_EQ(r.Options.ComNumbers, (std::array<int, 4>{1, 2, 3, 4}));
    }
    {
        const ServiceOptionsResult r =
            ParseServiceOptions(Words("params upload --benches=1,3-4 --first 5 --last 20 --out b{n}.par --port 3=COM7 --json"));
        ASSERT_TRUE(r.Error.isEmpty()) << qPrintable(r.Error);
        EXPECT_EQ(r.Options.What, C::Upload);
        EXPECT_EQ(r.Options.Benches, (std::array<bool, 4>{true, false, true, true}));
        EXPECT_EQ(r.Options.First, 5);
        EXPECT_EQ(r.Options.Last, 20);
        EXPECT_EQ(r.Options.ComNumbers[2], 7);
        EXPECT_TRUE(r.Options.Json);
        EXPECT_EQ(ForBench(r.Options.Out, 2), QStringLiteral("b3.par"));
    }
    {
        const ServiceOptionsResult r = ParseServiceOptions(Words("params write --bench 2 --param 12 --text 1.5,2"));
        ASSERT_TRUE(r.Error.isEmpty()) << qPrintable(r.Error);
        EXPECT_EQ(r.Options.What, C::Write);
        EXPECT_EQ(r.Options.Param, 12);
        EXPECT_EQ(r.Options.Text, QStringLiteral("1.5,2"));
    }
    // One bench needs no {n}: its one trace and file names are its own.
    for (const char* line : {"params upload --bench 1 --out one.par", "cal check --bench 4 --trace t.txt x.CAL",
                             "params download --benches 1-4 --allow-flash-store same.par --trace t{n}",
                             "cal load --benches 1,3 --allow-flash-store --dry-run c{n}.CAL", "--help"}) {
        EXPECT_TRUE(ParseServiceOptions(Words(line)).Error.isEmpty()) << line;
    }
}

TEST(ServiceOptions, BadUsageIsRefusedWithItsReason)
{
    struct Case {
        const char* Line;
        const char* Says;
    };
    const Case cases[] = {
        {"", "no command"},
        {"flash --benches 1 x", "unknown command"},
        {"params --benches 1", "upload, download"},
        {"params copy --benches 1", "unknown action"},
        {"cal verify --benches 1 x.CAL", "unknown action"},
        {"upgrade KITE.s19", "no benches"},
        {"upgrade --benches 1", "no file"},
        {"upgrade --benches 1 a.s19 b.s19", "unexpected argument"},
        {"upgrade --benches 0 a.s19", "bad bench"},
        {"upgrade --benches 5 a.s19", "bad bench"},
        {"upgrade --benches 3-1 a.s19", "bad bench"},
        {"upgrade --benches 1,1 a.s19", "named twice"},
        {"upgrade --benches 1 --benches 2 a.s19", "twice"},
        {"upgrade --benches", "needs a value"},
        {"upgrade --bogus --benches 1 a.s19", "unknown option"},
        {"upgrade --json=yes --benches 1 a.s19", "takes no value"},
        {"upgrade --benches 1,2 --port 2=COM1 a.s19", "both on COM1"},
        {"upgrade --benches 1 --port 5=COM1 a.s19", "--port"},
        {"upgrade --benches 1 --port 1=COM0 a.s19", "--port"},
        {"upgrade --benches 1 --baud 12345 a.s19", "--baud"},
        {"upgrade --benches 1 --timeout 0 a.s19", "--timeout"},
        {"params upload --benches 1", "--out"},
        {"params upload --benches 1,2 --out same.par", "{n}"},
        {"params upload --bench 1 --out a.par --first 9 --last 3", "--first is above"},
        {"params upload --bench 1 --out a.par --last 70000", "--last"},
        {"params upload --benches 1,2 --out b{n}.par --trace one.txt", "--trace"},
        {"params read --bench 1", "--param"},
        {"params read --bench 1 --param 401", "0 to 400"},
        {"params read --bench 1 --param x", "0 to 400"},
        {"params write --bench 1 --param 3", "--text"},
        {"params read --bench 1 --param 3 --text 4", "--text is for"},
        // Everything that stores to flash needs the permission.
        {"params store --bench 1 --param 3", "--allow-flash-store"},
        {"params download --bench 1 f.par", "--allow-flash-store"},
        {"cal load --bench 1 f.CAL", "--allow-flash-store"},
    };
    for (const Case& c : cases) {
        const ServiceOptionsResult r = ParseServiceOptions(Words(c.Line));
        EXPECT_TRUE(r.Error.contains(QLatin1String(c.Says))) << c.Line << " -> " << qPrintable(r.Error);
    }
}

} // namespace
