#include "ui/main/grid_view_adapter.h"

#include "rows/grid_model.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

GridViewAdapter::GridViewAdapter(GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
{
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintMs);
    connect(&repaint_, &QTimer::timeout, this, &GridViewAdapter::FlushChanges);
    grid_.LayoutChanged = [this] {
        repaint_.stop();
        changedFirst_ = changedLast_ = -1;
        beginResetModel();
        endResetModel();
    };
    grid_.RowsChanged = [this](int first, int last) {
        changedFirst_ = changedFirst_ < 0 ? first : std::min(changedFirst_, first);
        changedLast_ = std::max(changedLast_, last);
        if (!repaint_.isActive())
            repaint_.start();
    };
}

void GridViewAdapter::FlushChanges()
{
    if (changedFirst_ < 0)
        return;
    const int last = std::min(changedLast_, grid_.RowCount() - 1);
    if (last >= changedFirst_)
        emit dataChanged(index(changedFirst_, 0), index(last, grid_.ColumnCount() - 1), {Qt::DisplayRole});
    changedFirst_ = changedLast_ = -1;
}

GridViewAdapter::~GridViewAdapter()
{
    grid_.LayoutChanged = nullptr;
    grid_.RowsChanged = nullptr;
}

int GridViewAdapter::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.RowCount(); }

int GridViewAdapter::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.ColumnCount(); }

QVariant GridViewAdapter::data(const QModelIndex& index, int role) const
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

void GridViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant ground = index.data(Qt::BackgroundRole);
    if (ground.canConvert<QBrush>())
        painter->fillRect(option.rect, ground.value<QBrush>());
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    // The same margin and colour the style gives a cell's text.
    const int margin = 3;
    // Drawn at its baseline, centred as a single line would be: text drawn into a rectangle goes
    // through a full text layout (line breaking) for every cell on every repaint.
    const QFontMetrics metrics(option.font);
    const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
    const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(QPoint(area.left(), baseline), text);
    painter->restore();
}
