#pragma once
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

class QButtonGroup;

// A captioned group of radio buttons with an item index, as the settings groups use.
// Items are named <group>0, <group>1, ...
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
                QWidget* parent = nullptr);

    QList<QRadioButton*> Items;
    int ItemIndex() const;
    // Selects item i without raising Click.
    void SetItemIndex(int i);
    QString ItemText() const;

signals:
    // The user chose another item (a click, or the keyboard); choosing the item already
    // chosen raises nothing.
    void Click(int index);

private:
    QButtonGroup* group_;
    int pressedFrom_ = -1;
};
