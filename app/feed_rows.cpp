// The completed rows of the data grid handed to the row feed, one per bench,
// with each cell's column name and unit.
#include "data_rows.h"

#include "grid_model.h"
#include "row_feed.h"

namespace {
struct Column {
    const char* Name;
    const char* Unit;
};

// By group index, then position in the bench's block; an empty name is an unused position.
const char* const kGroupNames[kGroupCount] = {
    "Gas concentrations", "Demodulated IR", "Offset", "Detector temperatures", "Ambient temperature",
    "Pressures", "Ambient pressure", "ADC minimum and maximum", "Raw NO and O2", "PEF"};

const Column kColumns[kGroupCount][8] = {
    {{"CO2", "%"}, {"Freon", "ppm"}, {"O2", "%"}, {"NO", "ppm"}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"Dem CO2", ""}, {"Freon", ""}, {"Ref", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"Offset1", ""}, {"Offset2", ""}, {"Offset3", ""}, {"Offset4", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"DetCel", ""}, {"DetSrc", ""}, {"Det Freon", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"AmbTemp", "\xC2\xB0" "C"}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"Abs p", "0.1 torr"}, {"Dif p", "0.001 psi"}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"Amb p", "0.1 torr"}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"Min CO2", ""}, {"Max CO2", ""}, {"Min Freon", ""}, {"Max Freon", ""}, {"Min Ref", ""}, {"Max Ref", ""}, {"", ""}, {"", ""}},
    {{"Raw NO", ""}, {"Raw O2", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
    {{"PEF", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
};
} // namespace

void TDataRows::PublishRows(int64_t timeSeconds)
{
    auto publish = [&](int row, FeedRowKind kind) {
        for (int b = 0; b < 4; ++b) {
            FeedRow& out = FeedBuffer;
            out.TimeSeconds = timeSeconds;
            out.Bench = b + 1;
            out.AveragingMode = Mode;
            out.Kind = kind;
            out.Values.clear();
            for (int g : kGroupLayoutOrder) {
                const int c = GroupCol[g][b];
                if (c < 0)
                    continue;
                for (int p = 0; p < kGroupWidth[g]; ++p) {
                    const Column& col = kColumns[g][p];
                    const std::string& text = Grid.Cell(c + p, row);
                    // Unused positions, and the blank cells of a bench without values, hold nothing to send.
                    if (!*col.Name || text.find_first_not_of(' ') == std::string::npos)
                        continue;
                    out.Values.push_back({kGroupNames[g], col.Name, col.Unit, text});
                }
            }
            if (!out.Values.empty())
                Feed->Row(out);
        }
    };
    publish(MeanCursor, Mode == kAverageNone ? FeedRowKind::Sample : FeedRowKind::Mean);
    if (Mode == kAverageMeanStdev)
        publish(StdevCursor, FeedRowKind::Stdev);
}
