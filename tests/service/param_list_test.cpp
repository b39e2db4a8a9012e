// The parameter list reader: the list file's own examples and hostile input.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "service/param_list.h"

namespace {

const std::string kHeader = "/* list */\nTParameterItem ParamList[] = {\n";

struct EntryCase {
    const char* What;
    std::string Line;
    std::string Name;
    int Type, Bank, Elements;
    std::string ElementsText;
};

TEST(ParamListTest, OneEntryLineGivesItsFields)
{
    const EntryCase cases[] = {
        {"ampersand name, RAM bank, count", "{ eInt, &Count, eRAM, 0, 3}", "Count", 1, 1, 3, ""},
        {"leading tabs and spaces", " \t  {eFloat,Gain,eFlash,0,0}", "Gain", 2, 0, 0, ""},
        {"expression count kept whole", "{eDouble, Temps, eBoot, 0, NUM_TEMPS*2}", "Temps", 3, 2, -1, "NUM_TEMPS*2"},
        {"expression with blanks", "{eLong, T2, eRAM, 0, NUM_TEMPS * 2}", "T2", 4, 1, -1, "NUM_TEMPS * 2"},
        {"short text count", "{eString12, Id, eFlash, 0, N}", "Id", 5, 0, -1, "N"},
        {"blank before the comma spoils the type", "{eFloat , X, eRAM, 0, 1}", "X", 0, 1, 1, ""},
        {"unknown type and bank stay 0", "{eWord, Y, eROM, 0, 2}", "Y", 0, 0, 2, ""},
        {"End is never matched", "{eEnd, Z, eEnd, 0, 1}", "Z", 0, 0, 1, ""},
        {"five characters are text", "{eInt, W, eRAM, 0, 12345}", "W", 1, 1, -1, "12345"},
        {"no closing brace", "{eInt, V, eRAM, 0, 7", "V", 1, 1, 7, ""},
        {"missing commas", "{eInt V eRAM", "", 0, 0, -1, ""},
        {"CR LF line end", "{eInt, C, eRAM, 0, 2}\r", "C", 1, 1, 2, ""},
    };
    for (const EntryCase& c : cases) {
        const ParameterList list = ParseParamList(kHeader + c.Line + "\n");
        const ParameterItem& item = list[0];
        EXPECT_EQ(item.Name, c.Name) << c.What;
        EXPECT_EQ(item.TypeIndex, c.Type) << c.What;
        EXPECT_EQ(item.BankIndex, c.Bank) << c.What;
        EXPECT_EQ(item.Elements, c.Elements) << c.What;
        EXPECT_EQ(item.ElementsText, c.ElementsText) << c.What;
    }
}

TEST(ParamListTest, EntriesAreNumberedFromTheDeclarationOn)
{
    const std::string text = "{eInt, Before, eRAM, 0, 1}\n" // before the declaration: not an entry
                             "  TParameter indented declaration does not count\n"
                             "TParameterItem List[] = { {eInt, OnDeclLine, eRAM, 0, 1},\n"
                             "{eInt, P0, eRAM, 0, 1}\n"
                             "// {eInt, Commented, eRAM, 0, 1}\n"
                             "\n"
                             "{eFloat, P1, eFlash, 0, 0}\n"
                             "{eInt, 0, eRAM, 0, 0}\n" // the end marker
                             "{eInt, After, eRAM, 0, 1}\n";
    const ParameterList list = ParseParamList(text);
    EXPECT_EQ(list[0].Name, "P0");
    EXPECT_EQ(list[1].Name, "P1");
    EXPECT_EQ(list[2].Name, "");
    EXPECT_EQ(list[3].Name, "");
}

TEST(ParamListTest, HostileInputIsCutOrIgnored)
{
    // More entries than numbers: the surplus is ignored.
    std::string many = kHeader;
    for (int i = 0; i < kParamCount + 50; ++i)
        many += "{eInt, P" + std::to_string(i) + ", eRAM, 0, 1}\n";
    ParameterList list = ParseParamList(many);
    EXPECT_EQ(list[400].Name, "P400");

    // Over-long fields are cut to the field limit, a long count text too.
    const std::string longName(500, 'n'), longCount(300, 'K');
    list = ParseParamList(kHeader + "{eInt, " + longName + ", eRAM, 0, " + longCount + "}\n");
    EXPECT_EQ(list[0].Name, std::string(kParamFieldMax, 'n'));
    EXPECT_EQ(list[0].ElementsText, std::string(kParamFieldMax, 'K'));
    EXPECT_EQ(list[0].Elements, -1);

    // A line past the line limit: what lies beyond it is not read.
    list = ParseParamList(kHeader + "{eInt, Far, eRAM, 0," + std::string(3000, ' ') + "5}\n{eInt, Next, eRAM, 0, 1}\n");
    EXPECT_EQ(list[0].Name, "Far");
    EXPECT_EQ(list[0].Elements, -1);
    EXPECT_EQ(list[1].Name, "Next");

    // Binary garbage, NUL bytes and a last line without line end.
    std::string garbage = kHeader;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 37 + 11) & 0xFF);
    garbage += std::string("\n{\0\xFF,\x01", 6);
    list = ParseParamList(garbage);
    for (const ParameterItem& item : list) {
        EXPECT_LE(item.Name.size(), kParamFieldMax);
        EXPECT_LE(item.ElementsText.size(), kParamFieldMax);
    }

    // Only a brace, and nothing at all.
    list = ParseParamList(kHeader + "{");
    EXPECT_EQ(list[0].Name, "");
    EXPECT_EQ(list[0].Elements, -1);
    list = ParseParamList("");
    EXPECT_EQ(list[0].Name, "");
}

TEST(ParamListTest, MissingFileGivesEmptyNamesOfTypeChar)
{
    QTemporaryDir dir;
    const ParameterList list = ReadParamListFile(dir.filePath(QStringLiteral("ParamLst.c")));
    for (const ParameterItem& item : list) {
        EXPECT_EQ(item.Name, "");
        EXPECT_STREQ(ParamTypeNames[item.TypeIndex], "Char");
    }
}

} // namespace
