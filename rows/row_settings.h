#pragma once
#include <array>

// What the row logic needs of the main window's settings group and controls.
// The main window fills it; the column choice, averaging mode, samples per
// block, open ports and grid height take effect at RebuildHeader(), the rest
// (HC divisor, logging choices) at every row.
enum AveragingModes { kAverageNone = 0, kAverageMean = 1, kAverageMeanStdev = 2 };

struct RowSettings {
    bool TimeStamp = true;
    bool RelativeTime = false;
    bool AcceptCount = false;
    bool DemodulatedIR = false;
    bool GasConcentration = true;
    bool Offset = false;
    bool MinMaxADC = false;
    bool Temperatures = false;
    bool AmbTemp = false;
    bool Pressures = false;
    bool AmbPressure = false;
    bool RawNoxO2 = false;
    bool Pef = false;

    int AveragingMode = kAverageNone;
    int SamplesPerBlock = 4;
    bool HCDivisor100 = false;      // "HC Divisor" shows "100"
    std::array<bool, 4> PortOpen{};
    int GridHeightPixels = 28 * 16; // the grid view's height

    bool LoggingOn = false;         // "File Log" shows "On"
    bool ManualCollect = false;     // "Data Collect" shows "Manual"
    bool AcceptBtnEnabled = false;  // the Accept button is enabled
};
