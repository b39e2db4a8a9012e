#include "main_window_grid.h"

#include "grid_model.h"

#include <QBrush>
#include <QColor>

TGridAdapter::TGridAdapter(TGridModel& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
{
    grid_.LayoutChanged = [this] {
        beginResetModel();
        endResetModel();
    };
    grid_.RowsChanged = [this](int first, int last) {
        emit dataChanged(index(first, 0), index(last, grid_.ColumnCount() - 1), {Qt::DisplayRole});
    };
}

TGridAdapter::~TGridAdapter()
{
    grid_.LayoutChanged = nullptr;
    grid_.RowsChanged = nullptr;
}

int TGridAdapter::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.RowCount(); }

int TGridAdapter::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.ColumnCount(); }

QVariant TGridAdapter::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole) {
        const std::string& text = grid_.Cell(index.column(), index.row());
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    }
    if (role == Qt::BackgroundRole && index.row() < grid_.FixedRows())
        return QBrush(QColor(212, 208, 200));
    return {};
}
