// The completed rows of the data grid handed to the row feed, one per bench,
// with each cell's column name and unit.
#include "rows/data_rows.h"

#include "rows/grid_model.h"
#include "rows/row_feed.h"

void DataRows::PublishRows(int64_t timeSeconds)
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
                    const ColumnPosition& col = ColumnTable()[size_t(g)].Positions[size_t(p)];
                    const std::string& text = Grid.Cell(c + p, row);
                    // Unused positions, and the blank cells of a bench without values, hold nothing to send.
                    if (!*col.FeedName || text.find_first_not_of(' ') == std::string::npos)
                        continue;
                    out.Values.push_back({ColumnTable()[size_t(g)].FeedGroup, col.FeedName, col.FeedUnit, text});
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
