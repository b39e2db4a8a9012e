#include "ui/commands/status_screen.h"
#include "ui/commands/latin1_text.h"

#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "link/link.h"

namespace {
constexpr int kRowPitch = 21;
constexpr int kFirstRowY = 20;
constexpr int kRowHeight = 19;

} // namespace

namespace StatusFields {

Row AddRow(QGroupBox* group, std::string_view label, std::string_view field, int y, int fieldX, int fieldWidth)
{
    auto* edit = new QLineEdit(group);
    edit->setObjectName(Latin1Text(field));
    edit->setReadOnly(true);
    edit->setAccessibleName(Latin1Text(label));
    edit->setGeometry(fieldX, y, fieldWidth, kRowHeight);

    auto* caption = new QLabel(Latin1Text(label), group);
    caption->setObjectName(Latin1Text(field).replace(QLatin1String("Edit"), QLatin1String("Label")));
    caption->setBuddy(edit);
    // Up to 2 pixels before the field: "Low Pump Flow Fail" needs all of it.
    caption->setGeometry(8, y, fieldX - 10, kRowHeight);
    return {caption, edit};
}

void Apply(QLineEdit* edit, const StatusDecode::FieldText& value)
{
    const StatusDecode::Rgb c = StatusDecode::ToneRgb(value.Colour);
    QPalette p = edit->palette();
    p.setColor(QPalette::Text, QColor(c.R, c.G, c.B));
    edit->setPalette(p);
    edit->setText(QString::fromLatin1(value.Text.data(), qsizetype(value.Text.size())));
}

void ApplyAll(const QHash<QString, QLineEdit*>& fields, const std::vector<StatusDecode::FieldText>& values)
{
    for (const StatusDecode::FieldText& f : values)
        if (QLineEdit* edit = fields.value(Latin1Text(f.Field)))
            Apply(edit, f);
}

void ClearAll(const QHash<QString, QLineEdit*>& fields)
{
    for (QLineEdit* edit : fields)
        edit->clear();
}

} // namespace StatusFields

StatusScreen::StatusScreen(BenchHost& host, QWidget* parent) : BenchWindow(parent), Host(host)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("Status"));

    constexpr int kGroupWidth = 236, kFieldX = 120, kFieldWidth = 108;
    int y = 8;
    for (const StatusDecode::StatusGroup& g : StatusDecode::StatusScreenGroups()) {
        auto* box = new QGroupBox(Latin1Text(g.Caption), this);
        box->setObjectName(Latin1Text(g.Name));
        int rowY = kFirstRowY;
        for (const StatusDecode::StatusRow& r : g.Rows) {
            const StatusFields::Row row = StatusFields::AddRow(box, r.Label, r.Field, rowY, kFieldX, kFieldWidth);
            Fields.insert(row.Edit->objectName(), row.Edit);
            if (r.Hidden) {
                row.Edit->hide();
                row.Label->hide();
                continue; // a hidden row takes no room
            }
            rowY += kRowPitch;
        }
        box->setGeometry(8, y, kGroupWidth, rowY + 6);
        y += rowY + 6 + 6;
    }

    GrpBench = new BenchButtons(tr("Kestrel"), this);
    GrpBench->setObjectName(QStringLiteral("GrpBench"));
    // Room for the four captioned buttons side by side.
    const QSize benchSize = GrpBench->sizeHint().expandedTo(QSize(160, 48));
    GrpBench->setGeometry(QRect(QPoint(8, y), benchSize));
    connect(GrpBench, &BenchButtons::BenchClicked, this, [this](int) { BenchButtonClick(); });

    UpdateBtn = new QPushButton(tr("Update"), this);
    UpdateBtn->setObjectName(QStringLiteral("UpdateBtn"));
    UpdateBtn->setAccessibleName(tr("Update"));
    const int updateX = 8 + benchSize.width() + 8;
    UpdateBtn->setGeometry(updateX, y + benchSize.height() - 25 - 8, 68, 25);
    connect(UpdateBtn, &QPushButton::clicked, this, &StatusScreen::UpdateBtnClick);

    setFixedSize(std::max(8 + kGroupWidth + 8, updateX + 68 + 8), y + benchSize.height() + 8);
    Host.BenchLink().Subscribe(*this);
}

StatusScreen::~StatusScreen() { Host.BenchLink().Unsubscribe(*this); }

void StatusScreen::ReplyDecoded(int k, ReplyKind kind, const RxFrame&)
{
    if (kind != ReplyKind::DataStatus)
        return;
    if (k >= 0 && k < 4)
        StatusSeen[size_t(k)] = true;
    BenchData(k);
}

int StatusScreen::SelectedBench() const { return GrpBench->SelectedBench(); }

void StatusScreen::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[k] = Host.BenchSwitchedOn(k);
    GrpBench->UpdateBenchSelection(on);
}

void StatusScreen::BenchData(int) { ShowStatus(); }

void StatusScreen::BenchButtonClick()
{
    ClearStatus();
    ShowStatus();
}

void StatusScreen::UpdateBtnClick()
{
    ClearStatus();
    ShowStatus();
}

void StatusScreen::ShowStatus()
{
    const int k = SelectedBench();
    if (!isVisible() || k < 0 || k > 3)
        return;
    const BenchRecord& bench = Host.BenchLink().Benches[k];
    if (!StatusSeen[size_t(k)])
        return;
    StatusFields::ApplyAll(Fields, StatusDecode::DecodeStatusScreen(bench.Status));
}

void StatusScreen::ClearStatus() { StatusFields::ClearAll(Fields); }
