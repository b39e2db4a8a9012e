#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "ui/commands/status_decode.h"

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
    // The bit of every flag field, written out from the status byte layout: setting exactly that
    // bit must turn exactly that field to " Check ". Catches rows wired to the wrong byte or bit.
    const struct {
        int byte, bit;
        const char* field;
    } flags[] = {
        {4, 7, "StUpGainEdit"}, {4, 6, "StUpRAMEdit"}, {4, 5, "StUpROMEdit"}, {4, 4, "StUpFLASHEdit"},
        {4, 3, "SelfTestEdit"},
        {5, 7, "NoMoreListsEdit"}, {5, 6, "NoEndOfListEdit"}, {5, 5, "EOCNotReadyEdit"}, {5, 4, "ADTimingEdit"},
        {5, 3, "EOCTimeoutEdit"}, {5, 2, "EOCFailEdit"}, {5, 1, "QSMADTimeoutEdit"}, {5, 0, "AlreadyDispatchedEdit"},
        {6, 7, "ProcessingTooLongEdit"}, {6, 6, "IRSignalLostEdit"}, {6, 5, "GainSetFailCO2Edit"},
        {6, 4, "GainSetFailCOEdit"}, {6, 3, "GainSetFailHCEdit"}, {6, 2, "GainSetFailREFEdit"},
        {7, 7, "LampProblemEdit"}, {7, 6, "PumpInFlowFailEdit"}, {7, 5, "PumpOutFlowFailEdit"},
        {7, 4, "LowPumpFlowFailEdit"}, {7, 3, "GasLeakEdit"},
        {8, 7, "AmbientTempEdit"}, {8, 6, "SampleTempEdit"}, {8, 5, "SourceTempEdit"}, {8, 4, "DetectorTempEdit"},
        {8, 0, "TempNOEdit"},
        {9, 7, "ADCO2Edit"}, {9, 6, "ADCOEdit"}, {9, 5, "ADHCEdit"}, {9, 4, "ADREFEdit"},
        {10, 7, "BubbleCO2Edit"}, {10, 6, "BubbleCOEdit"}, {10, 5, "BubbleHCEdit"}, {10, 4, "BubbleREFEdit"},
        {11, 7, "InvalidCO2Edit"}, {11, 6, "InvalidCOEdit"}, {11, 5, "InvalidHCEdit"}, {11, 4, "InvalidO2Edit"},
        {11, 3, "InvalidNOEdit"},
        {12, 7, "ZeroFailCO2Edit"}, {12, 6, "ZeroFailCOEdit"}, {12, 5, "ZeroFailHCEdit"}, {12, 4, "ZeroFailO2Edit"},
        {12, 3, "ZeroFailNOEdit"},
        {13, 7, "SpanFailCO2Edit"}, {13, 6, "SpanFailCOEdit"}, {13, 5, "SpanFailHCEdit"}, {13, 4, "SpanFailO2Edit"},
        {13, 3, "SpanFailNOEdit"},
        {14, 7, "ContTransEdit"}, {14, 4, "LampEdit"},
        {15, 7, "FlashEraseFailedEdit"}, {15, 6, "FlashWriteFailEdit"}, {15, 0, "FlashParamErrEdit"},
    };
    std::set<std::string> flagFields;
    for (const FieldText& f : DecodeEngineeringStatus(StatusBytes{}))
        if (f.Field != "PumpStateEdit")
            flagFields.insert(std::string(f.Field));
    EXPECT_EQ(flagFields.size(), std::size(flags)) << "every flag field is in the table";
    for (const auto& flag : flags) {
        EXPECT_TRUE(flagFields.count(flag.field)) << flag.field;
        StatusBytes s{};
        s[size_t(flag.byte)] = uint8_t(1 << flag.bit);
        for (const FieldText& f : DecodeEngineeringStatus(s)) {
            if (f.Field == "PumpStateEdit")
                continue;
            const bool self = f.Field == flag.field;
            EXPECT_EQ(f.Text, self ? " Check " : " OK ") << flag.field << " set, field " << f.Field;
            EXPECT_EQ(f.Colour, self ? Tone::Red : Tone::Green) << f.Field;
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
