#pragma once
// A parameter file read whole, the way download walks it, before any bench is touched: a
// download that met a bad entry half-way would leave a bench half written.
#include <QString>

#include <string>

struct ParamFileCheck {
    bool Ok = false;
    int Entries = 0;    // parameters the file writes
    std::string Error;  // the download's own words for the fault, with the entry
};

// path as the download takes it: a "C:\..." name reaches the drive C folder.
ParamFileCheck CheckParamFile(const QString& path);
