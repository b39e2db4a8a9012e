#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/graphs/trend_settings.h"

namespace {

struct SettingsFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path;
    void SetUp() override { path = dir.filePath("GrSOsprey.txt"); }
    void WriteRaw(const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray ReadRaw()
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(SettingsFileTest, Graph1FileLayout)
{
    Graph1Settings s;
    s.ChannelEnabled = {true, false, true, false};
    s.RangeTexts = {"0", "12.5", "-1", "2000"};
    ASSERT_TRUE(WriteGraph1Settings(path, true, s));
    EXPECT_EQ(ReadRaw(), QByteArray("1\n1\n0\n0\n1\n0\n0\n12.5\n-1\n2000\n"));
    Graph1Settings back;
    ASSERT_TRUE(ReadGraph1Settings(path, true, back));
    EXPECT_EQ(back.ChannelEnabled, s.ChannelEnabled);
    EXPECT_EQ(back.RangeTexts, s.RangeTexts);
}

TEST_F(SettingsFileTest, Graph2FileLayout)
{
    Graph2Settings s;
    s.ChannelEnabled = {false, true, false, true};
    s.MinTexts = {"0", "1", "2", "3"};
    s.MaxTexts = {"20", "21", "22", "23"};
    ASSERT_TRUE(WriteGraph2Settings(path, false, s));
    EXPECT_EQ(ReadRaw(), QByteArray("0\n0\n0\n20\n1\n1\n21\n1\n1\n21\n0\n2\n22\n1\n3\n23\n"));
    Graph2Settings back;
    ASSERT_TRUE(ReadGraph2Settings(path, false, back));
    EXPECT_EQ(back.ChannelEnabled, s.ChannelEnabled);
    EXPECT_EQ(back.MinTexts, s.MinTexts);
    EXPECT_EQ(back.MaxTexts, s.MaxTexts);
}

TEST_F(SettingsFileTest, SecondCopyOfTheSharedSlotWins)
{
    WriteRaw("1\n1\n0\n1\n1\n1\n0\n1\n0\n1\n");
    Graph1Settings g1;
    ASSERT_TRUE(ReadGraph1Settings(path, true, g1));
    EXPECT_TRUE(g1.ChannelEnabled[1]);

    WriteRaw("1\n1\n0\n20\n1\n5\n6\n0\n7\n8\n0\n0\n25\n0\n0\n25\n");
    Graph2Settings g2;
    ASSERT_TRUE(ReadGraph2Settings(path, true, g2));
    EXPECT_FALSE(g2.ChannelEnabled[1]);
    EXPECT_EQ(g2.MinTexts[1], "7");
    EXPECT_EQ(g2.MaxTexts[1], "8");
}

TEST_F(SettingsFileTest, FilesThatDoNotFitAreIgnored)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        bool dot;
    } cases[] = {
        {"written under a comma locale, read under a dot locale", "0\n1\n1\n1\n1\n1\n0,5\n9,5\n0\n100\n", true},
        {"written under a dot locale, read under a comma locale", "1\n1\n1\n1\n1\n1\n0.5\n9.5\n0\n100\n", false},
        {"too short", "1\n1\n1\n1\n", true},
        {"empty", "", true},
        {"first line not a flag", "yes\n1\n1\n1\n1\n1\n0\n1\n0\n1\n", true},
        {"a line longer than any setting", "1\n1\n1\n1\n1\n1\n" + QByteArray(100000, '5') + "\n9\n0\n1\n", true},
    };
    for (const Case& c : cases) {
        WriteRaw(c.bytes);
        Graph1Settings s;
        s.RangeTexts[0] = "untouched";
        EXPECT_FALSE(ReadGraph1Settings(path, c.dot, s)) << c.name;
        EXPECT_EQ(s.RangeTexts[0], "untouched") << c.name;
    }
    Graph1Settings s;
    EXPECT_FALSE(ReadGraph1Settings(dir.filePath("absent.txt"), true, s));
}

TEST_F(SettingsFileTest, CrLfLinesAndExtraLinesAreAccepted)
{
    WriteRaw("1\r\n0\r\n1\r\n1\r\n1\r\n0\r\n5\r\n6\r\n7\r\n8\r\nextra\r\n");
    Graph1Settings s;
    ASSERT_TRUE(ReadGraph1Settings(path, true, s));
    EXPECT_EQ(s.ChannelEnabled, (std::array<bool, 4>{false, true, true, false}));
    EXPECT_EQ(s.RangeTexts[3], "8");

    // However much follows the listed lines, it is not read.
    WriteRaw("1\n1\n1\n1\n1\n1\n0\n50\n0\n100\n" + QByteArray(200000, 'x') + "\n" + QByteArray(200000, '\n'));
    ASSERT_TRUE(ReadGraph1Settings(path, true, s));
    EXPECT_EQ(s.RangeTexts[1], "50");
    // Nor does a last line need its line feed.
    WriteRaw("1\n1\n1\n1\n1\n1\n0\n50\n0\n99");
    ASSERT_TRUE(ReadGraph1Settings(path, true, s));
    EXPECT_EQ(s.RangeTexts[3], "99");
}

TEST_F(SettingsFileTest, UnwritablePlaceFailsQuietly)
{
    WriteRaw("x");
    // A file where the folder should be.
    EXPECT_FALSE(WriteGraph1Settings(path + "/sub/file.txt", true, Graph1Settings{}));
}

TEST(RangeText, LeadingNumberUnderEachDecimalConvention)
{
    struct Case {
        const char* text;
        bool dot;
        float value;
    } cases[] = {
        {"25", true, 25.0f},     {"0.5", true, 0.5f},     {"0,5", false, 0.5f},  {"0,5", true, 0.0f},
        {"2.5", false, 2.0f},    {"  -3.25", true, -3.25f}, {"+4", true, 4.0f},  {"12abc", true, 12.0f},
        {"abc", true, 0.0f},     {"", true, 0.0f},        {"-", true, 0.0f},     {".5", true, 0.5f},
        {"1e2", true, 100.0f},   {"1e", true, 1.0f},      {"1e999", true, 3.4028235e38f},
        {"-1e999", true, -3.4028235e38f},                 {"1e-999", true, 0.0f}, {"nan", true, 0.0f},
        {"inf", true, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(RangeTextToFloat(QString::fromLatin1(c.text), c.dot), c.value) << c.text << " dot=" << c.dot;
}
