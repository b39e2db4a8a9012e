#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "rows_fixture.h"
#include "rows/text_lines.h"

namespace {

struct TempFile {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("lines.txt"));

    void Write(const std::string& bytes)
    {
        std::FILE* f = OpenFile(path, "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    // Every ReadLine result until end of file, as (result, text).
    std::vector<std::pair<int, std::string>> ReadBack()
    {
        std::vector<std::pair<int, std::string>> out;
        std::FILE* f = OpenFile(path, "rb");
        std::string text = "junk";
        int r;
        while ((r = ReadLine(f, text)) >= 0)
            out.emplace_back(r, text);
        EXPECT_EQ(text, "");
        std::fclose(f);
        return out;
    }
};

TEST(WriteLine, WritesTextOrABlankThenCrLf)
{
    TempFile t;
    std::FILE* f = OpenFile(t.path, "wb");
    ASSERT_TRUE(WriteLine(f, "abc"));
    ASSERT_TRUE(WriteLine(f, ""));
    ASSERT_TRUE(WriteLine(f, "\xE9t\xE9"));
    std::fclose(f);
    EXPECT_EQ(ReadAll(t.path), "abc\r\n \r\n\xE9t\xE9\r\n");
}

TEST(ReadLine, ReturnsLinesPiecesAndEndOfFile)
{
    const std::string l498(498, 'a'), l499 = std::string(498, 'b') + "c";
    const std::string l996 = std::string(498, 'd') + std::string(498, 'e');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::pair<int, std::string>> expected;
    };
    const std::vector<Case> cases = {
        {"empty file", "", {}},
        {"one line", "abc\r\n", {{3, "abc"}}},
        {"no trailing line end", "abc\r\nxy", {{3, "abc"}, {2, "xy"}}},
        {"blank written for empty text", " \r\n", {{0, ""}}},
        {"bare line end of Stop", "\r\n", {{0, ""}}},
        {"two blanks are text", "  \r\n", {{2, "  "}}},
        {"LF only", "ab\ncd\n", {{2, "ab"}, {2, "cd"}}},
        {"lone CR stays text", "a\rb\r\n", {{3, "a\rb"}}},
        {"exactly 498", l498 + "\r\nz\r\n", {{498, l498}, {1, "z"}}},
        {"499 in two pieces", l499 + "\r\n", {{498, l499.substr(0, 498)}, {1, "c"}}},
        {"996 in two pieces", l996 + "\r\n", {{498, l996.substr(0, 498)}, {498, l996.substr(498)}}},
        {"498 without line end", l498, {{498, l498}}},
        {"Latin-1 bytes", "\xB0\xE9\r\n", {{2, "\xB0\xE9"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile t;
        t.Write(c.bytes);
        EXPECT_EQ(t.ReadBack(), c.expected);
    }
}

TEST(ReadLine, ReadsBackWhatWriteLineWrote)
{
    const std::vector<std::string> lines = {"", "x", std::string(498, 'q'), "", " lead", "trail "};
    TempFile t;
    std::FILE* f = OpenFile(t.path, "wb");
    for (const auto& l : lines)
        WriteLine(f, l);
    std::fclose(f);
    std::vector<std::string> read;
    for (auto& [n, text] : t.ReadBack())
        read.push_back(text);
    EXPECT_EQ(read, lines);
}

TEST(ReadLine, NullFileIsEndOfFile)
{
    std::string text = "x";
    EXPECT_EQ(ReadLine(nullptr, text), -1);
    EXPECT_EQ(text, "");
    EXPECT_FALSE(WriteLine(nullptr, "x"));
}

TEST(Latin1, RoundTripsAndReplacesWhatItCannotHold)
{
    EXPECT_EQ(ToLatin1(QString::fromUtf8("d\xC3\xA9g \xC2\xB0")), "d\xE9g \xB0");
    EXPECT_EQ(ToLatin1(QString::fromUtf8("\xE2\x82\xAC")), "?");
    EXPECT_EQ(FromLatin1("\xE9"), QString::fromUtf8("\xC3\xA9"));
}

} // namespace
