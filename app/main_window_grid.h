#pragma once
#include <QAbstractTableModel>

class TGridModel;

// Shows the rows' text grid in the main window's table view. Rows 0 and 1 (the header) are bold
// on a grey ground as fixed rows.
class TGridAdapter : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridAdapter(TGridModel& grid, QObject* parent = nullptr);
    ~TGridAdapter() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    TGridModel& grid_;
};
