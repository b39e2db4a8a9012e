#pragma once
// A .CAL file read whole, in the order the calibration procedure reads it, before any bench
// is touched: a load that met a bad line half-way would leave a bench half calibrated.
#include <string>

struct CalFileCheck {
    bool Ok = false;
    std::string Error; // for the user, with the line
};

// load: also refuses values too long for one write request, as the load would.
CalFileCheck CheckCalFile(const std::string& path, bool load);
