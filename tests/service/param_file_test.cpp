// The parameter file: upload's two lines per parameter, and download's reading.
#include <gtest/gtest.h>

#include <QBuffer>

#include "service/param_file.h"

namespace {

using Kind = ParamFileReader::Kind;

struct Expected {
    Expected(Kind what, int number = 0, std::string value = {}, std::string error = {})
        : What(what), Number(number), Value(std::move(value)), Error(std::move(error))
    {
    }
    Kind What;
    int Number;
    std::string Value;
    std::string Error;
};

std::vector<Expected> ReadAllSteps(const std::string& text)
{
    QByteArray bytes(text.data(), qsizetype(text.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ParamFileReader reader(buffer);
    std::vector<Expected> steps;
    for (int guard = 0; guard < 100; ++guard) {
        const ParamFileReader::Step s = reader.Next();
        steps.push_back({s.What, s.Number, s.Value, s.ErrorText});
        if (s.What == Kind::End || s.What == Kind::Error)
            break;
    }
    return steps;
}

TEST(ParamFileTest, DownloadReadsEntriesAndStopsAtTheFirstFault)
{
    const std::string longValue(kParamValueMax + 1, '7');
    const struct {
        const char* What;
        std::string File;
        std::vector<Expected> Steps;
    } cases[] = {
        {"good file", "// 0 Count \n  1,\t2 \n// 12 Gain \n  1.5 \n",
         {{Kind::Entry, 0, "1,2"}, {Kind::Entry, 12, "1.5"}, {Kind::End}}},
        {"blank lines between entries, CR LF ends", "\r\n// 3 A \r\n  4 \r\n \t \r\n// 4 B\r\n5\r\n",
         {{Kind::Blank}, {Kind::Entry, 3, "4"}, {Kind::Blank}, {Kind::Entry, 4, "5"}, {Kind::End}}},
        {"empty value line writes an empty text", "// 9 X \n\n", {{Kind::Entry, 9, ""}, {Kind::End}}},
        {"number up to a tab, no name", "// 400\tN \n 1 \n// 401\n2", {{Kind::Entry, 400, "1"}, {Kind::Entry, 401, "2"}, {Kind::End}}},
        {"start is not //", "# 1 X\n 1\n", {{Kind::Error, 0, "", " Start != //  "}}},
        {"slashes without their space", "//1 X\n 1\n", {{Kind::Error, 0, "", " Start != //  "}}},
        {"number is text", "// x1 X\n 1\n", {{Kind::Error, 0, "", " Error ParamNo "}}},
        {"number missing", "//  X\n 1\n", {{Kind::Error, 0, "", " Error ParamNo "}}},
        {"number negative", "// -1 X\n 1\n", {{Kind::Error, 0, "", " Error ParamNo "}}},
        {"number beyond a word", "// 65536 X\n 1\n", {{Kind::Error, 0, "", " Error ParamNo "}}},
        {"no data line", "// 5 X \n", {{Kind::Error, 0, "", " No Param data "}}},
        {"value longer than a request carries", "// 5 X\n" + longValue + "\n", {{Kind::Error, 0, "", " Param data too long "}}},
        {"value line over the line limit", "// 5 X\n" + std::string(kParamFileLineMax + 10, '1') + "\n",
         {{Kind::Error, 0, "", " Param data too long "}}},
        {"over-long name is harmless", "// 6 " + std::string(kParamFileLineMax * 2, 'n') + "\n 8\n",
         {{Kind::Entry, 6, "8"}, {Kind::End}}},
        {"over-long blank line is blank", std::string(kParamFileLineMax * 2, ' ') + "\n", {{Kind::Blank}, {Kind::End}}},
        {"empty file", "", {{Kind::End}}},
    };
    for (const auto& c : cases) {
        const std::vector<Expected> steps = ReadAllSteps(c.File);
        ASSERT_EQ(steps.size(), c.Steps.size()) << c.What;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].What, c.Steps[i].What) << c.What << " step " << i;
            EXPECT_EQ(steps[i].Number, c.Steps[i].Number) << c.What << " step " << i;
            EXPECT_EQ(steps[i].Value, c.Steps[i].Value) << c.What << " step " << i;
            EXPECT_EQ(steps[i].Error, c.Steps[i].Error) << c.What << " step " << i;
        }
    }
}

TEST(ParamFileTest, UploadLinesTabAfterEachCommaAndEndAtLineFeedOrZero)
{
    const struct {
        const char* What;
        std::string Value;
        std::string Name;
        std::string Lines;
    } cases[] = {
        {"list", "1,2,3", "Count", "// 7 Count \n  1,\t2,\t3 \n"},
        {"empty name above the list", "5", "", "// 7  \n  5 \n"},
        {"line feed ends the text and stays", "1,2\nrest", "N", "// 7 N \n  1,\t2\n \n"},
        {"zero byte ends the text", std::string("4\0junk", 6), "N", "// 7 N \n  4 \n"},
        {"empty reply", "", "N", "// 7 N \n   \n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UploadEntryLines(7, c.Name, reinterpret_cast<const uint8_t*>(c.Value.data()), int(c.Value.size())), c.Lines)
            << c.What;
}

TEST(ParamFileTest, UploadedFileReadsBackAsTheBenchTexts)
{
    const std::string values[] = {"1.5", "1,-2,3", "", "1e-05,2.25"};
    std::string file;
    for (int n = 0; n < 4; ++n)
        file += UploadEntryLines(n, "P", reinterpret_cast<const uint8_t*>(values[n].data()), int(values[n].size()));
    const std::vector<Expected> steps = ReadAllSteps(file);
    ASSERT_EQ(steps.size(), 5u);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(steps[size_t(n)].Number, n);
        EXPECT_EQ(steps[size_t(n)].Value, values[n]);
    }
}

} // namespace
