#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One value cell of a data row as the grid and the log show it.
struct FeedValue {
    const char* Group = ""; // column group, e.g. "Gas concentrations"
    const char* Name = "";  // column name without its unit, e.g. "CO2"
    const char* Unit = "";  // empty when the value has no physical unit
    std::string Text;       // the cell text, blanks included
};

// The cells of one bench in one data row.
enum class FeedRowKind { Sample, Mean, Stdev };
struct FeedRow {
    int64_t TimeSeconds = 0; // calendar clock of the row
    int Bench = 1;           // 1 to 4
    int AveragingMode = 0;   // 0 none, 1 mean, 2 mean and deviation
    FeedRowKind Kind = FeedRowKind::Sample;
    std::vector<FeedValue> Values;
};

// Where the rows and the link status lines go besides the grid. The window
// side knows only this; the publishing side decides what to do with them.
// Called on the user-interface thread and must return at once.
struct IRowFeed {
    virtual ~IRowFeed() = default;
    virtual void Row(const FeedRow& row) = 0;
    // bench 1 to 4; called for every status line shown, changed or not.
    virtual void LinkStatus(int bench, const std::string& text, bool error) = 0;
};
