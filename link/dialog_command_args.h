#pragma once
#include <array>
#include <cstdint>

// Arguments of the next dialog command for one bench: written whole by the
// command dialog's collect step, read by the poll tick to call the encoder.
struct DialogCommandArgs {
    uint8_t PurgeTime = 0;
    uint8_t TagMask = 0;   // channel mask ($03, $09) or span mode ($11, $50)
    int16_t TagValue = 0;  // tenths
    std::array<int16_t, 5> SpanValues{}; // CO2, NH3, Freon, NO, O2
    uint8_t Pump = 0;
    uint8_t DeviceMask = 0;
    uint8_t DeviceValues = 0;
    uint8_t DataRate = 0;
    uint8_t FreonMode = 0;
    uint8_t FilterBits = 0;
    uint8_t Algorithm = 0;
    std::array<uint8_t, 4> CommandSet{};
    uint8_t SwitchMask = 0;
    uint8_t Location = 0;
    std::array<uint8_t, 20> WriteData{};
    uint8_t VacuumTime = 0;
    uint8_t LeakTime = 0;
    uint8_t Tolerance = 0;
    uint8_t ModeAction = 0;
    uint8_t NewMode = 0;
    uint8_t Standby = 0;
};
