#include "ui/commands/panel_radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TPanelRadioGroup::TPanelRadioGroup(QWidget* parent) : QGroupBox(parent), Group_(new QButtonGroup(this)), Layout_(new QGridLayout(this))
{
    Layout_->setContentsMargins(6, 2, 6, 2);
    Layout_->setSpacing(0);
}

void TPanelRadioGroup::SetItems(const QStringList& items, int columns)
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

int TPanelRadioGroup::ItemIndex() const { return Group_->checkedId(); }

void TPanelRadioGroup::SetItemIndex(int index)
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

QRadioButton* TPanelRadioGroup::Button(int index) const
{
    return index >= 0 && index < int(Buttons_.size()) ? Buttons_[size_t(index)] : nullptr;
}
