// halyard-log's command line: what each good line sets, and the message of each bad one.
#include "programs/halyard-log/logger_options.h"

#include <gtest/gtest.h>

namespace {

QStringList Args(const char* line) { return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

struct Good {
    const char* Line;
    std::array<bool, 4> Benches;
    int Mode;
    int Samples;
    bool Append;
    int Minutes;
    bool Rotate;
    int Baud;
};

TEST(LoggerOptions, GoodLines)
{
    const Good cases[] = {
        {"--benches 1,3 --log run.LOG", {true, false, true, false}, 0, 4, false, 0, false, 19200},
        {"--benches 4 --averaging mean+stdev --samples 8 --log r.LOG --append --minutes 10 --rotate --baud 115200",
         {false, false, false, true}, 2, 8, true, 10, true, 115200},
        {"--benches=2,1 --averaging=MEAN --samples=0 --log=x.LOG", {true, true, false, false}, 1, 0, false, 0, false, 19200},
        {"--log run.LOG --benches 1,2,3,4 --averaging none", {true, true, true, true}, 0, 4, false, 0, false, 19200},
    };
    for (const Good& c : cases) {
        SCOPED_TRACE(c.Line);
        const LoggerOptionsResult r = ParseLoggerOptions(Args(c.Line));
        ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
        EXPECT_EQ(r.Options.Benches, c.Benches);
        EXPECT_EQ(r.Options.AveragingMode, c.Mode);
        EXPECT_EQ(r.Options.SamplesPerBlock, c.Samples);
        EXPECT_EQ(r.Options.Append, c.Append);
        EXPECT_EQ(r.Options.Minutes, c.Minutes);
        EXPECT_EQ(r.Options.Rotate, c.Rotate);
        EXPECT_EQ(r.Options.Baud, c.Baud);
    }
}

TEST(LoggerOptions, BadLinesSayWhatIsWrong)
{
    const struct {
        const char* Line;
        const char* Message;
    } cases[] = {
        {"--benches 1 --log a.LOG --verbose", "unknown option \"--verbose\""},
        {"--benches 1 --log a.LOG extra", "unknown option \"extra\""},
        {"--log a.LOG", "--benches is missing (for example --benches 1,3)"},
        {"--benches 1", "--log is missing (for example --log run.LOG)"},
        {"--benches 1 --log", "--log needs a value"},
        {"--benches 1 --log=", "--log needs a file name"},
        {"--benches 0 --log a.LOG", "--benches takes bench numbers 1 to 4 separated by commas, not \"0\""},
        {"--benches 5 --log a.LOG", "--benches takes bench numbers 1 to 4 separated by commas, not \"5\""},
        {"--benches 1,,2 --log a.LOG", "--benches takes bench numbers 1 to 4 separated by commas, not \"1,,2\""},
        {"--benches 2,2 --log a.LOG", "--benches names bench 2 twice"},
        {"--benches 1 --log a.LOG --averaging median", "--averaging takes none, mean or mean+stdev, not \"median\""},
        {"--benches 1 --log a.LOG --samples -1", "Number of samples must be a whole number of 0 or more, not \"-1\""},
        {"--benches 1 --log a.LOG --samples 4x", "Number of samples must be a whole number of 0 or more, not \"4x\""},
        {"--benches 1 --log a.LOG --samples 99999999999", "Number of samples must be a whole number of 0 or more, not \"99999999999\""},
        {"--benches 1 --log a.LOG --minutes 0", "--minutes takes a whole number of 1 or more, not \"0\""},
        {"--benches 1 --log a.LOG --baud 12345", "--baud takes 9600, 19200, 38400, 57600 or 115200, not \"12345\""},
        {"--benches 1 --log a.LOG --rotate=yes", "--rotate takes no value"},
        {"--benches 1 --log a.LOG --csv a.csv", "--csv converts an existing log: give it with --log and without --benches"},
        {"--csv a.csv", "--csv needs the log to convert (--log FILE)"},
        {"--plot a.LOG", "--plot needs the picture to write (--out FILE.png, .svg or .pdf)"},
        {"--plot a.LOG --out a.gif", "--out takes a file name ending in .png, .svg or .pdf, not \"a.gif\""},
        {"--out a.png", "--out, --from, --to, --columns and --size go with --plot LOG"},
        {"--plot a.LOG --out a.png --benches 1", "--plot draws an existing log: give it without --benches, --log and --csv"},
        {"--plot a.LOG --out a.png --from 25", "--from takes a time as HH:mm[:ss] or yyyy-MM-dd HH:mm[:ss], not \"25\""},
        {"--plot a.LOG --out a.png --size 50x50", "--size takes WIDTHxHEIGHT in pixels, 100 to 20000 each, not \"50x50\""},
        {"--plot a.LOG --out a.png --columns ,", "--columns needs names, for example --columns \"CO2,Bench 2\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(ParseLoggerOptions(Args(c.Line)).Error.toStdString(), c.Message);
    }
}

TEST(LoggerOptions, CsvConversionNeedsOnlyTheLog)
{
    const LoggerOptionsResult r = ParseLoggerOptions(Args("--log run.LOG --csv run.csv"));
    EXPECT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    EXPECT_EQ(r.Options.CsvPath, QStringLiteral("run.csv"));
    EXPECT_EQ(r.Options.LogPath, QStringLiteral("run.LOG"));
}

TEST(LoggerOptions, PlotNeedsTheLogAndThePicture)
{
    QStringList args = Args("--plot run.LOG --out=night.svg --from 2013-01-17T23:00 --to 01:30:00 --size 800x400");
    args << QStringLiteral("--columns") << QStringLiteral("Bench 2, CO2 [%],NO");
    const LoggerOptionsResult r = ParseLoggerOptions(args);
    ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    EXPECT_EQ(r.Options.PlotPath, QStringLiteral("run.LOG"));
    EXPECT_EQ(r.Options.OutPath, QStringLiteral("night.svg"));
    EXPECT_EQ(r.Options.From, QStringLiteral("2013-01-17T23:00"));
    EXPECT_EQ(r.Options.To, QStringLiteral("01:30:00"));
    EXPECT_EQ(r.Options.Columns, (QStringList{"Bench 2", "CO2 [%]", "NO"}));
    EXPECT_EQ(r.Options.Width, 800);
    EXPECT_EQ(r.Options.Height, 400);
}

TEST(LoggerOptions, HelpNeedsNothingElseAndNamesEveryOption)
{
    const LoggerOptionsResult r = ParseLoggerOptions(Args("--help"));
    EXPECT_TRUE(r.Error.isEmpty());
    EXPECT_TRUE(r.Options.Help);
    const QString usage = LoggerUsage();
    for (const char* option : {"--benches", "--log", "--append", "--averaging", "--samples", "--minutes", "--rotate", "--baud", "--csv", "--plot", "--out", "--from", "--to", "--columns", "--size", "--help"})
        EXPECT_TRUE(usage.contains(QLatin1String(option))) << option;
}

TEST(LoggerOptions, ContinuationFileNames)
{
    const struct {
        const char* Path;
        int N;
        const char* Expected;
    } cases[] = {
        {"/data/run.LOG", 2, "/data/run-002.LOG"},
        {"run.LOG", 12, "run-012.LOG"},
        {"/data/run.2024.LOG", 3, "/data/run.2024-003.LOG"},
        {"/data.d/run", 2, "/data.d/run-002"},
        {"/data/.hidden", 2, "/data/.hidden-002"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContinuationFileName(QString::fromLatin1(c.Path), c.N).toStdString(), c.Expected) << c.Path;
}

} // namespace
