#pragma once
#include <QString>

#include "rows/log_reader.h"

struct LoggerOptions;

// halyard-log --plot: the log drawn as the chart window draws it, into a picture
// file. Needs a QGuiApplication (fonts); no screen.
struct PlotResult {
    bool Ok = false;
    QString Message; // the error, or what was drawn and what was skipped
};
PlotResult PlotLog(const LoggerOptions& options, const LogFormats& formats = LogFormats::System());
