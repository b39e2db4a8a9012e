#pragma once
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTimer>

class GridModel;

// Shows the rows' text grid in the main window's table view. Rows 0 and 1 (the header) are bold
// on a grey ground as fixed rows.
class GridViewAdapter : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridViewAdapter(GridModel& grid, QObject* parent = nullptr);
    ~GridViewAdapter() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Longest a changed row waits before the view repaints it.
    static constexpr int kRepaintMs = 50;

private:
    void FlushChanges();

    GridModel& grid_;
    // Rows changed since the last repaint. Four benches at line rate give
    // hundreds of rows a second; repainting at most twenty times a second
    // keeps the grid live without spending the processor on text layout.
    int changedFirst_ = -1;
    int changedLast_ = -1;
    QTimer repaint_;
};

// Paints a grid cell as one line of text on its ground, clipped to the cell: the grid's cells are
// fixed-width texts that never wrap or need eliding, and the general item painting (word wrap, elide
// and style layout for every cell) was most of the window's processor time at line rate.
class GridViewDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
