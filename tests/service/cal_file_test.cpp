#include "service/cal_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cal_fixture.h"

namespace {

// Reads a whole file in the procedure's order; returns the texts by parameter
// number (temperatures under 152, 153, 154) or the reader's error.
struct WholeRead {
    std::map<int, std::string> Texts;
    std::string Serial;
    std::string Error;
};

WholeRead ReadAll(const std::string& text)
{
    std::istringstream in(text);
    CalFileReader r(in);
    WholeRead out;
    auto fail = [&] {
        out.Error = r.Error();
        return out;
    };
    if (!r.ReadSerialNumber(&out.Serial))
        return fail();
    std::string cell, det, press;
    for (int t = 0; t < 4; ++t) {
        CalValues temp;
        if (!r.ReadTemperatureLine(&temp))
            return fail();
        cell += (t ? "," : "") + temp.Texts[0];
        det += (t ? "," : "") + temp.Texts[1];
        press += (t ? "," : "") + temp.Texts[2];
        for (int k = 0; k < 9; ++k) {
            CalValues v;
            if (!r.ReadCoefficients(4, 5, &v))
                return fail();
            out.Texts[CalFileContent::kSpanTable[t][k]] = v.Joined();
        }
    }
    out.Texts[152] = det;
    out.Texts[153] = cell;
    out.Texts[154] = press;
    CalValues v;
    if (!r.ReadCoefficients(4, 3, &v))
        return fail();
    out.Texts[145] = v.Joined();
    for (int p : {273, 274}) {
        if (!r.ReadCoefficients(2, 10, &v))
            return fail();
        out.Texts[p] = v.Joined();
    }
    return out;
}

TEST(CalFile, CommentsHeadersAndTrailingCommentsReadLikeAPlainFile)
{
    const CalFileContent c = CalFileContent::Sample();
    const WholeRead plain = ReadAll(c.Text(false));
    const WholeRead decorated = ReadAll(c.Text(true));
    ASSERT_EQ(plain.Error, "");
    ASSERT_EQ(decorated.Error, "");
    EXPECT_EQ(plain.Serial, "K2-0417");
    EXPECT_EQ(decorated.Serial, "K2-0417");
    EXPECT_EQ(plain.Texts, c.Expected());
    EXPECT_EQ(decorated.Texts, c.Expected());
    // A coefficient written as 0.000E0 goes out as 0; a temperature keeps its spelling.
    EXPECT_NE(plain.Texts.at(128).find(",0,"), std::string::npos);
    EXPECT_NE(plain.Texts.at(152).find("0.000E0"), std::string::npos);
}

TEST(CalFile, LinesWithoutData)
{
    struct Case {
        const char* Line;
        size_t Tokens;
    };
    const Case cases[] = {
        {"", 0},           {"; comment 1 2 3", 0}, {"// 1 2 3", 0},        {"   // 1 2 3", 0},
        {"\t[Section]", 0}, {"  / 1 2", 0},         {" \t ", 0},           {"\r", 0},
        {"1 2 3", 3},       {"  1\t2 3 ", 3},       {"1 2 3 // 4 5", 3},   {"1 2 3/4", 3},
        {" ;1 2", 2}, // a semicolon counts only in the first column
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalFileReader::DataTokens(c.Line).size(), c.Tokens) << '"' << c.Line << '"';
}

TEST(CalFile, NumbersAndZeroSpellings)
{
    struct Case {
        const char* Token;
        bool Number;
    };
    const Case cases[] = {{"1.5", true},  {"-2.5e-3", true}, {"+3", true},    {"1.", true},     {".5", true},
                          {"7E+02", true}, {"abc", false},   {"1.2.3", false}, {"1e", false},    {"e5", false},
                          {"1e999", false}, {"0x10", false}, {"nan", false},   {"inf", false},   {"-", false},
                          {"1,5", false},  {"", false}};
    for (const Case& c : cases) {
        float v = 0;
        EXPECT_EQ(CalFileReader::ParseNumber(c.Token, &v), c.Number) << c.Token;
    }
    for (const char* zero : {"0.000E0", "0.00e+00", "0.000e+00", "0.0000e+00", "0.00000e+00"})
        EXPECT_EQ(CalFileReader::ReplaceZero(zero), "0") << zero;
    for (const char* kept : {"0.0", "0", "0.000E00", "0.000e-00", "1.000E0"})
        EXPECT_EQ(CalFileReader::ReplaceZero(kept), kept) << kept;
}

TEST(CalFile, ExtraValuesOnALineAreIgnored)
{
    std::istringstream in("SN\n1 2 3 4 5 6\n");
    CalFileReader r(in);
    std::string serial;
    CalValues v;
    ASSERT_TRUE(r.ReadSerialNumber(&serial));
    ASSERT_TRUE(r.ReadTemperatureLine(&v));
    EXPECT_EQ(v.Joined(), "1,2,3");
    EXPECT_FLOAT_EQ(v.Numbers[2], 3.0f);
}

// Every malformed file stops the reading with an error naming the fault, at the
// line where it is found, without reading beyond it.
TEST(CalFile, MalformedFilesStopWithAnError)
{
    const std::string good = CalFileContent::Sample().Text(false);
    const size_t firstSpan = good.find("\r\n", good.find("\r\n") + 2) + 2; // line 3: first span line
    struct Case {
        const char* Name;
        std::string Text;
        const char* Error;
    };
    std::string shortLine = good;
    shortLine.replace(firstSpan, good.find("\r\n", firstSpan) - firstSpan, "1 2 3 4");
    std::string notNumber = good;
    notNumber.replace(firstSpan, good.find("\r\n", firstSpan) - firstSpan, "1 2 x3 4 5");
    std::string longLine = good;
    longLine.insert(firstSpan, std::string(4050, ' ') + "\r\n");
    const Case cases[] = {
        {"empty", "", "ends early after line 0"},
        {"only comments", "; a\n// b\n[c]\n", "ends early after line 3"},
        {"ends inside a record", good.substr(0, good.find("\r\n", good.size() / 2) + 2), "ends early"},
        {"ends inside a line", good.substr(0, good.size() / 2), "values expected"},
        {"missing last line", good.substr(0, good.rfind("\r\n", good.size() - 3) + 2), "ends early"},
        {"short data line", shortLine, "line 3: 5 values expected, 4 found"},
        {"not a number", notNumber, "line 3: \"x3\" is not a number"},
        {"over-long line", longLine, "line 3 is longer than 4049 characters"},
    };
    for (const Case& c : cases) {
        const WholeRead r = ReadAll(c.Text);
        EXPECT_NE(r.Error.find(c.Error), std::string::npos) << c.Name << ": " << r.Error;
    }
    // A line of exactly 4049 characters is still a line.
    std::string longest = good;
    longest.insert(firstSpan, "//" + std::string(4047, 'x') + "\r\n");
    EXPECT_EQ(ReadAll(longest).Error, "");
}

} // namespace
