#pragma once
#include <array>
#include <vector>

// The columns of the data rows, once for every reader: the grid's header row and the log's
// header line (captions), the log cells (print forms), the CSV export (names with units) and
// the row feed (names and units by position).

// Column groups; the number is the group index of DataRows::GroupColumn.
enum RowGroup {
    kGroupGas = 0,
    kGroupDemodIR = 1,
    kGroupOffset = 2,
    kGroupDetTemp = 3,
    kGroupAmbTemp = 4,
    kGroupPressures = 5,
    kGroupAmbPressure = 6,
    kGroupMinMaxADC = 7,
    kGroupRawNoO2 = 8,
    kGroupPef = 9,
    kGroupCount = 10
};

// Groups in the order their columns are laid out.
inline constexpr std::array<int, kGroupCount> kGroupLayoutOrder = {
    kGroupDemodIR, kGroupOffset, kGroupGas, kGroupMinMaxADC, kGroupDetTemp,
    kGroupAmbTemp, kGroupPressures, kGroupAmbPressure, kGroupRawNoO2, kGroupPef};

// Columns per bench of each group (by group index).
inline constexpr std::array<int, kGroupCount> kGroupWidth = {5, 4, 4, 3, 1, 2, 1, 8, 2, 1};

// One printf form a log cell may be written with: an integer ("%<w>d"), a fixed-point number
// ("%<w>.<d>f"; "%f" is width 0 with 6 decimals), or the time of day followed by two blanks.
struct CellForm {
    char Kind = 0; // 'i', 'f', 't'; 0: no form
    int Width = 0;
    int Decimals = 0;
};
constexpr CellForm IntegerForm(int w) { return {'i', w, 0}; }
constexpr CellForm FixedForm(int w, int d) { return {'f', w, d}; }
constexpr CellForm kStdevForm = FixedForm(10, 4);

// One cell position of a group in a bench's block of the grid.
struct ColumnPosition {
    const char* Caption;  // header row text; "" for a position without one
    const char* FeedName; // name in a feed row; "" for a position the feed never sends
    const char* FeedUnit;
};

// One value of a group for a bench, as its cells stand in a log line (empty cells left out).
// A raw cell and a mean cell are written with one of two forms; Tells marks the value whose
// form tells them apart (First raw, Second mean).
struct ValueColumn {
    const char* CsvName; // with its unit
    CellForm First;
    CellForm Second;
    CellForm Stdev;
    bool Tells;
};

struct ColumnGroup {
    const char* FeedGroup;                 // the group's name in a feed row
    std::array<ColumnPosition, 8> Positions; // the first kGroupWidth of them are used
    std::vector<ValueColumn> Values;
};

// By group index.
const std::array<ColumnGroup, kGroupCount>& ColumnTable();
