#include "rows/grid_model.h"

#include <algorithm>

namespace {
const std::string kEmpty;
}

GridModel::GridModel()
{
    Rows.assign(kInitialRows, std::vector<std::string>(Columns));
}

bool GridModel::Inside(int column, int row) const
{
    return column >= 0 && column < Columns && row >= 0 && row < RowCount();
}

const std::string& GridModel::Cell(int column, int row) const
{
    return Inside(column, row) ? Rows[row][column] : kEmpty;
}

void GridModel::SetCell(int column, int row, std::string_view text)
{
    if (!Inside(column, row))
        return;
    Rows[row][column].assign(text);
    Touch(row);
}

std::string& GridModel::CellRef(int column, int row)
{
    // Writers only address cells of the current layout; out of range is a bug,
    // but must not write outside the grid.
    static std::string scratch;
    if (!Inside(column, row)) {
        scratch.clear();
        return scratch;
    }
    Touch(row);
    return Rows[row][column];
}

void GridModel::Reset(int rows, int usedColumns)
{
    Columns = std::max(kShownColumns, usedColumns);
    rows = std::max(rows, kFixedRows);
    Rows.assign(static_cast<size_t>(rows), std::vector<std::string>(static_cast<size_t>(Columns)));
    DirtyFirst = DirtyLast = -1;
    if (LayoutChanged)
        LayoutChanged();
}

void GridModel::CopyCells(int from, int to, int columns)
{
    if (from == to || from < 0 || to < 0 || from >= RowCount() || to >= RowCount())
        return;
    columns = std::min(columns, Columns);
    for (int c = 0; c < columns; ++c)
        Rows[to][c] = Rows[from][c];
    Touch(to);
}

void GridModel::ScrollUp(int first, int last, int columns)
{
    first = std::max(first, 0);
    last = std::min(last, RowCount() - 1);
    if (first > last)
        return;
    // Cells beyond the layout's columns are always empty, so whole rows can be
    // rotated instead of copied cell by cell.
    std::rotate(Rows.begin() + first, Rows.begin() + first + 1, Rows.begin() + last + 1);
    columns = std::min(columns, Columns);
    for (int c = 0; c < columns; ++c)
        Rows[last][c].clear();
    Touch(first);
    Touch(last);
}

std::string GridModel::JoinRow(int row, int columns) const
{
    std::string out;
    JoinRowInto(out, row, columns);
    return out;
}

void GridModel::JoinRowInto(std::string& out, int row, int columns) const
{
    out.clear();
    if (row < 0 || row >= RowCount())
        return;
    columns = std::min(columns, Columns);
    for (int c = 0; c < columns; ++c)
        out += Rows[row][c];
}

void GridModel::Touch(int row)
{
    if (DirtyFirst < 0 || row < DirtyFirst)
        DirtyFirst = row;
    if (row > DirtyLast)
        DirtyLast = row;
}

void GridModel::NotifyChanges()
{
    if (DirtyFirst < 0)
        return;
    const int first = DirtyFirst, last = DirtyLast;
    DirtyFirst = DirtyLast = -1;
    if (RowsChanged)
        RowsChanged(first, last);
}
