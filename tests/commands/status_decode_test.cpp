#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "status_decode.h"

using namespace StatusDecode;

namespace {
StatusBytes Bytes(std::initializer_list<std::pair<int, uint8_t>> set)
{
    StatusBytes s{};
    for (auto [i, v] : set)
        s[i] = v;
    return s;
}

std::map<std::string, FieldText> ByField(const std::vector<FieldText>& v)
{
    std::map<std::string, FieldText> m;
    for (const FieldText& f : v)
        m.emplace(std::string(f.Field), f);
    return m;
}

struct Expect {
    const char* field;
    const char* text;
    Tone colour;
};

void ExpectFields(const std::vector<FieldText>& decoded, std::initializer_list<Expect> expected, const char* what)
{
    const auto m = ByField(decoded);
    for (const Expect& e : expected) {
        auto it = m.find(e.field);
        ASSERT_NE(it, m.end()) << what << ": " << e.field << " missing";
        EXPECT_EQ(it->second.Text, e.text) << what << ": " << e.field;
        EXPECT_EQ(it->second.Colour, e.colour) << what << ": " << e.field;
    }
}
} // namespace

TEST(StatusDecode, ColoursAreTheScreensGreenAndRed)
{
    EXPECT_EQ(ToneRgb(Tone::Green), (Rgb{0, 128, 0}));
    EXPECT_EQ(ToneRgb(Tone::Red), (Rgb{255, 0, 0}));
}

TEST(StatusDecode, SystemStatusByte)
{
    struct Case {
        uint8_t s0;
        std::initializer_list<Expect> fields;
    } cases[] = {
        {0xC0,
         {{"OperationModeEdit", "System Fault", Tone::Red},
          {"ZeroRequiredEdit", "Not Required", Tone::Green},
          {"ProcInProgressEdit", "Not In Progress", Tone::Green},
          {"PumpOnOffEdit", "OFF", Tone::Red},
          {"HcPropaneEdit", "FREON1", Tone::Green}}},
        {0x80, {{"OperationModeEdit", "Standby", Tone::Red}}},
        {0x40, {{"OperationModeEdit", " Startup ", Tone::Green}}},
        {0x33,
         {{"OperationModeEdit", " Normal ", Tone::Green},
          {"ZeroRequiredEdit", "Required", Tone::Red},
          {"ProcInProgressEdit", "In Progress", Tone::Red},
          {"PumpOnOffEdit", "ON", Tone::Green},
          {"HcPropaneEdit", "FREON2", Tone::Green}}},
        // Bits 3 and 2 are shown nowhere.
        {0x0C,
         {{"OperationModeEdit", " Normal ", Tone::Green},
          {"ZeroRequiredEdit", "Not Required", Tone::Green},
          {"ProcInProgressEdit", "Not In Progress", Tone::Green},
          {"PumpOnOffEdit", "OFF", Tone::Red},
          {"HcPropaneEdit", "FREON1", Tone::Green}}},
    };
    for (const Case& c : cases)
        ExpectFields(DecodeStatusScreen(Bytes({{0, c.s0}})), c.fields, ("Status[0]=" + std::to_string(c.s0)).c_str());
}

TEST(StatusDecode, ChannelValidityCodes)
{
    ExpectFields(DecodeStatusScreen(Bytes({{1, 0xE4}})),
                 {{"CO2Edit", "Zero Fail", Tone::Red},
                  {"COEdit", "Span Fail", Tone::Red},
                  {"HCEdit", "Invalid", Tone::Red},
                  {"O2Edit", "Valid", Tone::Green}},
                 "Status[1]=E4");
    ExpectFields(DecodeStatusScreen(Bytes({{1, 0x1B}})),
                 {{"CO2Edit", "Valid", Tone::Green},
                  {"COEdit", "Invalid", Tone::Red},
                  {"HCEdit", "Span Fail", Tone::Red},
                  {"O2Edit", "Zero Fail", Tone::Red}},
                 "Status[1]=1B");
    ExpectFields(DecodeStatusScreen(Bytes({{2, 0x80}})),
                 {{"NOXEdit", "Span Fail", Tone::Red}, {"SampleTempErrEdit", "OK", Tone::Green}}, "Status[2]=80");
    // Bit 5 is the sample temperature, without blanks; bits 4..0 are shown nowhere.
    ExpectFields(DecodeStatusScreen(Bytes({{2, 0x3F}})),
                 {{"NOXEdit", "Valid", Tone::Green}, {"SampleTempErrEdit", "Check", Tone::Red}}, "Status[2]=3F");
}

TEST(StatusDecode, EachProblemBitFlagsItsOwnField)
{
    const char* fields[8] = {"LeakCheckEdit",   "PumpLowFlowEdit",  "AmbTempRangeEdit", "PumpOutFlowEdit",
                             "IRSignalLostEdit", "NewO2SensorEdit", "NewNOSensorEdit",  "PumpInFlowEdit"};
    for (int bit = 0; bit < 8; ++bit) {
        const auto m = ByField(DecodeStatusScreen(Bytes({{3, uint8_t(1 << bit)}})));
        for (int other = 0; other < 8; ++other) {
            const FieldText& f = m.at(fields[other]);
            if (other == bit) {
                EXPECT_EQ(f.Text, " Check ") << fields[other];
                EXPECT_EQ(f.Colour, Tone::Red);
            } else {
                EXPECT_EQ(f.Text, " OK ") << fields[other] << " with bit " << bit;
                EXPECT_EQ(f.Colour, Tone::Green);
            }
        }
    }
}

TEST(StatusDecode, StatusScreenWritesEveryFieldOfItsGroups)
{
    std::set<std::string> layout;
    for (const StatusGroup& g : StatusScreenGroups())
        for (const StatusRow& r : g.Rows)
            EXPECT_TRUE(layout.insert(std::string(r.Field)).second) << r.Field << " twice";
    std::set<std::string> decoded;
    for (const FieldText& f : DecodeStatusScreen(StatusBytes{}))
        decoded.insert(std::string(f.Field));
    EXPECT_EQ(layout, decoded);
    EXPECT_EQ(layout.size(), 19u);
}

TEST(StatusDecode, EngineeringFlagsEachShowOneBitOfTheirByte)
{
    // Setting exactly a row's bit must turn exactly that field to " Check ":
    // catches rows wired to the wrong byte or bit and two rows on one bit.
    for (const EngineeringGroup& g : EngineeringGroups()) {
        for (const EngineeringRow& row : g.Rows) {
            if (row.Kind != RowKind::Flag)
                continue;
            StatusBytes s{};
            s[row.Byte] = uint8_t(1 << row.Bit);
            for (const FieldText& f : DecodeEngineeringStatus(s)) {
                if (f.Field == "PumpStateEdit")
                    continue;
                const bool self = f.Field == row.Field;
                EXPECT_EQ(f.Text, self ? " Check " : " OK ") << row.Label << " set, field " << f.Field;
                EXPECT_EQ(f.Colour, self ? Tone::Red : Tone::Green) << f.Field;
            }
        }
    }
}

TEST(StatusDecode, EngineeringGroupsMatchTheirBytes)
{
    const std::map<std::string, std::pair<int, size_t>> expected = {
        {"EStat1", {4, 5}},  {"EStat2", {5, 8}},  {"EStat3", {6, 6}},   {"EStat4", {7, 5}},
        {"EStat5", {8, 5}},  {"EStat6", {9, 4}},  {"EStat7", {10, 4}},  {"EStat8", {11, 5}},
        {"EStat9", {12, 5}}, {"EStat10", {13, 5}}, {"EStat11", {14, 3}}, {"EStat12", {15, 3}},
    };
    ASSERT_EQ(EngineeringGroups().size(), 12u);
    std::set<std::string> fields;
    for (const EngineeringGroup& g : EngineeringGroups()) {
        const auto& [byte, rows] = expected.at(std::string(g.Caption));
        EXPECT_EQ(g.Rows.size(), rows) << g.Caption;
        for (const EngineeringRow& r : g.Rows) {
            EXPECT_EQ(r.Byte, byte) << r.Label;
            EXPECT_TRUE(fields.insert(std::string(r.Field)).second) << r.Field << " twice";
        }
    }
}

TEST(StatusDecode, EngineeringSpotChecks)
{
    ExpectFields(DecodeEngineeringStatus(Bytes({{14, 0xA0}})),
                 {{"ContTransEdit", " Check ", Tone::Red},
                  {"PumpStateEdit", " On ", Tone::Green},
                  {"LampEdit", " OK ", Tone::Green}},
                 "Status[14]=A0");
    ExpectFields(DecodeEngineeringStatus(Bytes({{14, 0x50}})),
                 {{"PumpStateEdit", " Purge ", Tone::Green}, {"LampEdit", " Check ", Tone::Red}}, "Status[14]=50");
    ExpectFields(DecodeEngineeringStatus(Bytes({{14, 0x00}})), {{"PumpStateEdit", " Off ", Tone::Green}},
                 "Status[14]=00");
    ExpectFields(DecodeEngineeringStatus(Bytes({{7, 0x18}})),
                 {{"LowPumpFlowFailEdit", " Check ", Tone::Red},
                  {"GasLeakEdit", " Check ", Tone::Red},
                  {"LampProblemEdit", " OK ", Tone::Green}},
                 "Status[7]=18");

    const auto selfTest = ByField(DecodeEngineeringStatus(Bytes({{4, 0x08}})));
    for (const auto& [name, f] : selfTest)
        EXPECT_EQ(f.Text, name == "SelfTestEdit" ? " Check " : (name == "PumpStateEdit" ? " Off " : " OK ")) << name;
}

TEST(StatusDecode, PumpStateThreeLeavesTheFieldAlone)
{
    const auto m = ByField(DecodeEngineeringStatus(Bytes({{14, 0x60}})));
    EXPECT_EQ(m.count("PumpStateEdit"), 0u);
    EXPECT_EQ(m.at("ContTransEdit").Text, " OK ");
    EXPECT_EQ(m.at("LampEdit").Text, " OK ");
}

TEST(StatusDecode, UnshownBitsChangeNothing)
{
    // Bits no field stands for, and bytes 0..3 on the engineering screen.
    const auto base = DecodeEngineeringStatus(StatusBytes{});
    EXPECT_EQ(DecodeEngineeringStatus(Bytes({{0, 0xFF}, {1, 0xFF}, {2, 0xFF}, {3, 0xFF}, {4, 0x07}, {6, 0x03},
                                             {7, 0x07}, {8, 0x0E}, {9, 0x0F}, {10, 0x0F}, {11, 0x07},
                                             {12, 0x07}, {13, 0x07}, {14, 0x0F}, {15, 0x3E}})),
              base);
}
