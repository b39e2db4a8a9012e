#include "ui/commands/status_decode.h"

namespace StatusDecode {
namespace {

constexpr StatusRow kSystemRows[] = {
    {"Operating Mode", "OperationModeEdit"},
    {"Zero Required", "ZeroRequiredEdit"},
    {"Proc In Prog", "ProcInProgressEdit"},
    {"Pump On / Off", "PumpOnOffEdit"},
    {"Freon", "HcPropaneEdit"},
};
constexpr StatusRow kDataRows[] = {
    {"CO2", "CO2Edit"},
    {"NH3", "COEdit", true},
    {"Freon", "HCEdit"},
    {"O2", "O2Edit"},
    {"NO", "NOXEdit"},
    {"Sample Temp Err", "SampleTempErrEdit"},
};
constexpr StatusRow kProblemRows[] = {
    {"Pump In Flow", "PumpInFlowEdit"},     {"New NO Sensor", "NewNOSensorEdit"},
    {"New O2 Sensor", "NewO2SensorEdit"},   {"IR Signal Lost", "IRSignalLostEdit"},
    {"Pump Out Flow", "PumpOutFlowEdit"},   {"Amb Temp Range", "AmbTempRangeEdit"},
    {"Pump Low Flow", "PumpLowFlowEdit"},   {"Leak Check", "LeakCheckEdit"},
};
constexpr StatusGroup kStatusGroups[] = {
    {"SystemStatus", "System Status", kSystemRows},
    {"GroupBox3", "Data Status 1, 2", kDataRows},
    {"GroupBox11", "Problem Status", kProblemRows},
};

bool Bit(uint8_t byte, int bit) { return (byte >> bit) & 1; }

FieldText Flag(std::string_view field, bool set) { return {field, std::string(FlagText(set)), set ? Tone::Red : Tone::Green}; }

FieldText Channel(std::string_view field, unsigned code)
{
    return {field, std::string(ChannelValidityText(code)), code == 0 ? Tone::Green : Tone::Red};
}

// Status[7] rows 4 and 5 continue the byte's descending bits, so "Low Pump
// Flow Fail" (bit 4) is not a mere copy of "Gas Leak" (bit 3).
constexpr EngineeringRow kEStat1[] = {
    {"StUpGain", "StUpGainEdit", 4, 7}, {"StUpRAM", "StUpRAMEdit", 4, 6},   {"StUpROM", "StUpROMEdit", 4, 5},
    {"StUpFLASH", "StUpFLASHEdit", 4, 4}, {"SelfTest", "SelfTestEdit", 4, 3},
};
constexpr EngineeringRow kEStat2[] = {
    {"NoMoreLists", "NoMoreListsEdit", 5, 7}, {"NoEndOfList", "NoEndOfListEdit", 5, 6},
    {"EOCNotReady", "EOCNotReadyEdit", 5, 5}, {"ADTiming", "ADTimingEdit", 5, 4},
    {"EOCTimeout", "EOCTimeoutEdit", 5, 3},   {"EOCFail", "EOCFailEdit", 5, 2},
    {"QSMADTime", "QSMADTimeoutEdit", 5, 1},  {"Dispatched", "AlreadyDispatchedEdit", 5, 0},
};
constexpr EngineeringRow kEStat3[] = {
    {"ProcTooLong", "ProcessingTooLongEdit", 6, 7},  {"IRSignalLost", "IRSignalLostEdit", 6, 6},
    {"GainSetFailCO2", "GainSetFailCO2Edit", 6, 5},  {"GainSetFailNH3", "GainSetFailCOEdit", 6, 4},
    {"GainSetFailFreon", "GainSetFailHCEdit", 6, 3}, {"GainSetFailREF", "GainSetFailREFEdit", 6, 2},
};
constexpr EngineeringRow kEStat4[] = {
    {"Lamp Problem", "LampProblemEdit", 7, 7},
    {"Pump In Flow Fail", "PumpInFlowFailEdit", 7, 6},
    {"Pump Out Flow Fail", "PumpOutFlowFailEdit", 7, 5},
    {"Low Pump Flow Fail", "LowPumpFlowFailEdit", 7, 4},
    {"Gas Leak", "GasLeakEdit", 7, 3},
};
constexpr EngineeringRow kEStat5[] = {
    {"Ambient Temp", "AmbientTempEdit", 8, 7}, {"Sample Temp", "SampleTempEdit", 8, 6},
    {"Source Temp", "SourceTempEdit", 8, 5},   {"DetectorTemp", "DetectorTempEdit", 8, 4},
    {"Temp NO", "TempNOEdit", 8, 0},
};
constexpr EngineeringRow kEStat6[] = {
    {"ADCO2", "ADCO2Edit", 9, 7}, {"ADNH3", "ADCOEdit", 9, 6}, {"ADFreon", "ADHCEdit", 9, 5}, {"ADREF", "ADREFEdit", 9, 4},
};
constexpr EngineeringRow kEStat7[] = {
    {"Bubble CO2 Err", "BubbleCO2Edit", 10, 7},
    {"Bubble NH3 Err", "BubbleCOEdit", 10, 6},
    {"Bubble Freon Err", "BubbleHCEdit", 10, 5},
    {"Bubble REF Err", "BubbleREFEdit", 10, 4},
};
constexpr EngineeringRow kEStat8[] = {
    {"Invalid CO2", "InvalidCO2Edit", 11, 7}, {"Invalid NH3", "InvalidCOEdit", 11, 6},
    {"Invalid Freon", "InvalidHCEdit", 11, 5}, {"Invalid O2", "InvalidO2Edit", 11, 4},
    {"Invalid NO", "InvalidNOEdit", 11, 3},
};
constexpr EngineeringRow kEStat9[] = {
    {"ZeroFail CO2", "ZeroFailCO2Edit", 12, 7}, {"ZeroFail NH3", "ZeroFailCOEdit", 12, 6},
    {"ZeroFail Freon", "ZeroFailHCEdit", 12, 5}, {"ZeroFail O2", "ZeroFailO2Edit", 12, 4},
    {"ZeroFail NO", "ZeroFailNOEdit", 12, 3},
};
constexpr EngineeringRow kEStat10[] = {
    {"SpanFail CO2", "SpanFailCO2Edit", 13, 7}, {"SpanFail NH3", "SpanFailCOEdit", 13, 6},
    {"SpanFail Freon", "SpanFailHCEdit", 13, 5}, {"SpanFail O2", "SpanFailO2Edit", 13, 4},
    {"SpanFail NO", "SpanFailNOEdit", 13, 3},
};
constexpr EngineeringRow kEStat11[] = {
    {"ContTrans", "ContTransEdit", 14, 7},
    {"PumpState", "PumpStateEdit", 14, 5, RowKind::PumpState},
    {"Lamp", "LampEdit", 14, 4},
};
constexpr EngineeringRow kEStat12[] = {
    {"Flash Erase Fail", "FlashEraseFailedEdit", 15, 7},
    {"Flash Write Fail", "FlashWriteFailEdit", 15, 6},
    {"Flash Param Err", "FlashParamErrEdit", 15, 0},
};
constexpr EngineeringGroup kEngineeringGroups[] = {
    {"EStat1", 0, kEStat1},  {"EStat2", 0, kEStat2},   {"EStat3", 0, kEStat3},   {"EStat4", 1, kEStat4},
    {"EStat5", 1, kEStat5},  {"EStat6", 1, kEStat6},   {"EStat7", 1, kEStat7},   {"EStat8", 2, kEStat8},
    {"EStat9", 2, kEStat9},  {"EStat10", 2, kEStat10}, {"EStat11", 2, kEStat11}, {"EStat12", 2, kEStat12},
};

} // namespace

std::span<const StatusGroup> StatusScreenGroups() { return kStatusGroups; }
std::span<const EngineeringGroup> EngineeringGroups() { return kEngineeringGroups; }

std::string_view ChannelValidityText(unsigned code)
{
    static constexpr std::string_view kTexts[] = {"Valid", "Invalid", "Span Fail", "Zero Fail"};
    return kTexts[code & 3];
}

std::string_view FlagText(bool set) { return set ? " Check " : " OK "; }

std::vector<FieldText> DecodeStatusScreen(const StatusBytes& s)
{
    static constexpr std::string_view kModes[] = {" Normal ", " Startup ", "Standby", "System Fault"};
    const unsigned mode = s[0] >> 6;
    const bool zero = Bit(s[0], 5), proc = Bit(s[0], 4), pump = Bit(s[0], 1);
    const bool sampleTemp = Bit(s[2], 5);

    std::vector<FieldText> out = {
        {"OperationModeEdit", std::string(kModes[mode]), mode >= 2 ? Tone::Red : Tone::Green},
        {"ZeroRequiredEdit", zero ? "Required" : "Not Required", zero ? Tone::Red : Tone::Green},
        {"ProcInProgressEdit", proc ? "In Progress" : "Not In Progress", proc ? Tone::Red : Tone::Green},
        {"PumpOnOffEdit", pump ? "ON" : "OFF", pump ? Tone::Green : Tone::Red},
        {"HcPropaneEdit", Bit(s[0], 0) ? "FREON2" : "FREON1", Tone::Green},
        Channel("CO2Edit", s[1] >> 6),
        Channel("COEdit", (s[1] >> 4) & 3),
        Channel("HCEdit", (s[1] >> 2) & 3),
        Channel("O2Edit", s[1] & 3),
        Channel("NOXEdit", s[2] >> 6),
        {"SampleTempErrEdit", sampleTemp ? "Check" : "OK", sampleTemp ? Tone::Red : Tone::Green},
    };
    for (const StatusRow& row : kProblemRows) {
        const int bit = 7 - int(&row - kProblemRows);
        out.push_back(Flag(row.Field, Bit(s[3], bit)));
    }
    return out;
}

std::vector<FieldText> DecodeEngineeringStatus(const StatusBytes& s)
{
    static constexpr std::string_view kPump[] = {" Off ", " On ", " Purge "};
    std::vector<FieldText> out;
    for (const EngineeringGroup& g : kEngineeringGroups) {
        for (const EngineeringRow& r : g.Rows) {
            if (r.Kind == RowKind::Flag) {
                out.push_back(Flag(r.Field, Bit(s[r.Byte], r.Bit)));
            } else {
                const unsigned v = (s[r.Byte] >> r.Bit) & 3;
                if (v < 3)
                    out.push_back({r.Field, std::string(kPump[v]), Tone::Green});
            }
        }
    }
    return out;
}

} // namespace StatusDecode
