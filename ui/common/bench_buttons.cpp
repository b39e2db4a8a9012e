#include "ui/common/bench_buttons.h"

#include <QButtonGroup>
#include <QHBoxLayout>

void BenchSelection::Update(const std::array<bool, 4>& switchedOn)
{
    Enabled = switchedOn;
    if (Selected != -1 && !Enabled[Selected]) {
        On[Selected] = false;
        Selected = -1;
    }
    for (int k = 3; k >= 0 && Selected == -1; --k)
        if (On[k])
            Selected = k;
    if (Selected == -1) {
        int candidate = -1;
        for (int k = 0; k < 4; ++k) {
            if (Enabled[k])
                candidate = k;
            else
                On[k] = false;
        }
        if (candidate != -1) {
            Selected = candidate;
            On[candidate] = true;
        }
    }
}

BenchButtons::BenchButtons(const QString& caption, QWidget* parent) : QGroupBox(caption, parent)
{
    auto* layout = new QHBoxLayout(this);
    Group = new QButtonGroup(this);
    auto* group = Group;
    for (int k = 0; k < 4; ++k) {
        BB[k] = new QRadioButton(QString::number(k + 1), this);
        BB[k]->setObjectName(QStringLiteral("BB%1").arg(k + 1));
        BB[k]->setAccessibleName(tr("Bench %1").arg(k + 1));
        BB[k]->setEnabled(false);
        group->addButton(BB[k], k);
        layout->addWidget(BB[k]);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int) {
        const int before = Selected;
        Selected = ButtonOn();
        emit BenchClicked(Selected);
        if (Selected != before)
            emit BenchChanged(Selected);
    });
}

int BenchButtons::ButtonOn() const
{
    for (int k = 3; k >= 0; --k)
        if (BB[k]->isChecked())
            return k;
    return -1;
}

void BenchButtons::UpdateBenchSelection(const std::array<bool, 4>& switchedOn)
{
    BenchSelection s;
    s.Selected = Selected;
    for (int k = 0; k < 4; ++k)
        s.On[k] = BB[k]->isChecked();
    s.Update(switchedOn);
    for (int k = 0; k < 4; ++k) {
        BB[k]->setEnabled(s.Enabled[k]);
        if (BB[k]->isChecked() != s.On[k]) {
            // An exclusive group will not let its checked button go off directly.
            Group->setExclusive(false);
            BB[k]->setChecked(s.On[k]);
            Group->setExclusive(true);
        }
    }
    Selected = s.Selected;
}
