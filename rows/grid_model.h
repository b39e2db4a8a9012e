#pragma once
#include <functional>
#include <string>
#include <vector>

// The text grid the row logic writes into: rows of Latin-1 cell texts, rows 0
// and 1 fixed (the header). It shows at least kShownColumns columns and grows
// when a layout uses more, so no logged column is hidden. A view adapter
// listens through the two callbacks.
class GridModel {
public:
    static constexpr int kShownColumns = 64;
    static constexpr int kFixedRows = 2;
    static constexpr int kInitialRows = 28;

    GridModel();

    int ColumnCount() const { return Columns; }
    int RowCount() const { return static_cast<int>(Rows.size()); }
    int FixedRows() const { return kFixedRows; }

    // Empty text outside the grid.
    const std::string& Cell(int column, int row) const;
    void SetCell(int column, int row, std::string_view text);
    // Direct access for the row writer; marks the row changed.
    std::string& CellRef(int column, int row);

    // Empties every cell and sets the size (columns never below kShownColumns).
    void Reset(int rows, int usedColumns);
    // Copies columns [0, columns) of row `from` into row `to`.
    void CopyCells(int from, int to, int columns);
    // Moves rows first+1..last up by one, losing row first, and empties columns
    // [0, columns) of row last.
    void ScrollUp(int first, int last, int columns);
    // Row text of columns [0, columns), joined without separators.
    std::string JoinRow(int row, int columns) const;
    void JoinRowInto(std::string& out, int row, int columns) const;

    // Reports the rows changed since the last call, if any.
    void NotifyChanges();

    // Size or all contents changed.
    std::function<void()> LayoutChanged;
    // Cells of rows first..last changed.
    std::function<void(int first, int last)> RowsChanged;

private:
    void Touch(int row);
    bool Inside(int column, int row) const;

    int Columns = kShownColumns;
    std::vector<std::vector<std::string>> Rows;
    int DirtyFirst = -1;
    int DirtyLast = -1;
};
