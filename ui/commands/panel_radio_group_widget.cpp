#include "ui/commands/panel_radio_group_widget.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

PanelRadioGroupWidget::PanelRadioGroupWidget(QWidget* parent) : QGroupBox(parent), Group_(new QButtonGroup(this)), Layout_(new QGridLayout(this))
{
    Layout_->setContentsMargins(6, 2, 6, 2);
    Layout_->setSpacing(0);
}

void PanelRadioGroupWidget::SetItems(const QStringList& items, int columns)
{
    for (QRadioButton* b : Buttons_) {
        Group_->removeButton(b);
        delete b;
    }
    Buttons_.clear();
    Items_ = items;
    Columns_ = columns > 0 ? columns : 1;
    const int rows = (int(items.size()) + Columns_ - 1) / Columns_;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        Group_->addButton(b, i);
        Layout_->addWidget(b, rows > 0 ? i % rows : 0, rows > 0 ? i / rows : 0);
        Buttons_.push_back(b);
    }
}

int PanelRadioGroupWidget::ItemIndex() const { return Group_->checkedId(); }

void PanelRadioGroupWidget::SetItemIndex(int index)
{
    if (index >= 0 && index < int(Buttons_.size())) {
        Buttons_[size_t(index)]->setChecked(true);
        return;
    }
    if (QAbstractButton* on = Group_->checkedButton()) {
        Group_->setExclusive(false);
        on->setChecked(false);
        Group_->setExclusive(true);
    }
}

QRadioButton* PanelRadioGroupWidget::Button(int index) const
{
    return index >= 0 && index < int(Buttons_.size()) ? Buttons_[size_t(index)] : nullptr;
}
