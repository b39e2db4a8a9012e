#include "ui/common/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent)
    , group_(new QButtonGroup(this))
{
    setObjectName(name);
    setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setVerticalSpacing(0);
    const int rows = (items.size() + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], this);
        item->setObjectName(name + QString::number(i));
        group_->addButton(item, i);
        layout->addWidget(item, i % rows, i / rows);
        Items.append(item);
        // A click on the item already chosen changes nothing and must not act: the index is
        // taken when the press starts (mouse, space key or arrow keys all press first).
        connect(item, &QRadioButton::pressed, this, [this] { pressedFrom_ = ItemIndex(); });
        connect(item, &QRadioButton::clicked, this, [this, i] {
            if (pressedFrom_ != i && ItemIndex() == i)
                emit Click(i);
        });
    }
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int i)
{
    if (i >= 0 && i < Items.size())
        Items[i]->setChecked(true);
}

QString RadioGroup::ItemText() const
{
    const int i = ItemIndex();
    return i >= 0 ? Items[i]->text() : QString();
}
