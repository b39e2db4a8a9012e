#pragma once
#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A captioned group of radio buttons chosen by position, laid out in columns
// filled top to bottom. The command dialog refills its items per panel.
class PanelRadioGroupWidget : public QGroupBox {
    Q_OBJECT
public:
    explicit PanelRadioGroupWidget(QWidget* parent = nullptr);

    void SetItems(const QStringList& items, int columns);
    const QStringList& Items() const { return Items_; }
    int Columns() const { return Columns_; }
    // Position of the selected item, -1 when none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const;

private:
    QButtonGroup* Group_;
    QGridLayout* Layout_;
    std::vector<QRadioButton*> Buttons_;
    QStringList Items_;
    int Columns_ = 1;
};
