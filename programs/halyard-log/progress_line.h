#pragma once
#include <QString>

class HeadlessLogger;

// The progress report: "rows 1234 | 1: ACK | 3: Data/Status Timeout | time-outs 2 | run.LOG";
// a bench shows its status edit text, "lost" when its adapter went away.
QString ProgressLine(const HeadlessLogger& logger);
