#include "ui/commands/engineering_status_screen.h"
#include "ui/commands/latin1_text.h"

#include <algorithm>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "ui/commands/status_screen.h"
#include "link/link.h"
#include "ui/commands/status_decode.h"

namespace {
} // namespace

void SecondWait::Run() const
{
    const auto now = [this] { return NowMs ? NowMs() : QDateTime::currentMSecsSinceEpoch(); };
    const auto sleep = [this](int ms) {
        if (SleepMs)
            SleepMs(ms);
        else
            QThread::msleep(ms);
    };
    constexpr int kStepMs = 10;
    const int64_t startSecond = now() / 1000;
    // Counting the steps bounds the wait even when the clock stands still.
    for (int waited = 0; waited < 1000 && now() / 1000 == startSecond; waited += kStepMs)
        sleep(kStepMs);
}

EngineeringStatusScreen::EngineeringStatusScreen(BenchHost& host, QWidget* parent) : BenchWindow(parent), Host(host)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("Service Errors"));

    constexpr int kRowPitch = 21, kFirstRowY = 20, kGroupWidth = 192, kFieldX = 128, kFieldWidth = 56;
    std::array<int, 3> columnY{8, 8, 8};
    for (const StatusDecode::EngineeringGroup& g : StatusDecode::EngineeringGroups()) {
        auto* box = new QGroupBox(Latin1Text(g.Caption), this);
        box->setObjectName(Latin1Text(g.Caption));
        int rowY = kFirstRowY;
        for (const StatusDecode::EngineeringRow& r : g.Rows) {
            const StatusFields::Row row = StatusFields::AddRow(box, r.Label, r.Field, rowY, kFieldX, kFieldWidth);
            Fields.insert(row.Edit->objectName(), row.Edit);
            rowY += kRowPitch;
        }
        const int height = rowY + 6;
        box->setGeometry(8 + 200 * g.Column, columnY[g.Column], kGroupWidth, height);
        columnY[g.Column] += height + 6;
    }
    const int y = std::max({columnY[0], columnY[1], columnY[2]});

    StartBtn = new QPushButton(tr("Start"), this);
    StartBtn->setObjectName(QStringLiteral("StartBtn"));
    StartBtn->setAccessibleName(tr("Start"));
    StartBtn->setGeometry(8, y + 16, 75, 25);
    connect(StartBtn, &QPushButton::clicked, this, &EngineeringStatusScreen::StartBtnClick);

    StopBtn = new QPushButton(tr("Stop"), this);
    StopBtn->setObjectName(QStringLiteral("StopBtn"));
    StopBtn->setAccessibleName(tr("Stop"));
    StopBtn->setGeometry(91, y + 16, 75, 25);
    connect(StopBtn, &QPushButton::clicked, this, &EngineeringStatusScreen::StopBtnClick);

    GrpBench = new BenchButtons(tr("Bench"), this);
    GrpBench->setObjectName(QStringLiteral("GrpBench"));
    // Room for the four captioned buttons side by side.
    const QSize benchSize = GrpBench->sizeHint().expandedTo(QSize(160, 48));
    GrpBench->setGeometry(QRect(QPoint(208, y), benchSize));
    connect(GrpBench, &BenchButtons::BenchClicked, this, [this](int) { BenchButtonClick(); });

    setFixedSize(8 + 3 * 200, y + benchSize.height() + 8);
    Host.BenchLink().Subscribe(*this);
}

EngineeringStatusScreen::~EngineeringStatusScreen() { Host.BenchLink().Unsubscribe(*this); }

void EngineeringStatusScreen::ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame)
{
    if (kind == ReplyKind::EngStatus || (kind == ReplyKind::DataStatus && frame.Code == 0x44))
        BenchData(k);
}

int EngineeringStatusScreen::SelectedBench() const { return GrpBench->SelectedBench(); }

void EngineeringStatusScreen::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[k] = Host.BenchSwitchedOn(k);
    GrpBench->UpdateBenchSelection(on);
}

void EngineeringStatusScreen::BenchData(int k)
{
    if (k >= 0 && k < 4)
        EngStatusSeen[k] = true;
    ShowEngineeringStatus();
}

void EngineeringStatusScreen::BenchButtonClick()
{
    ClearEngineeringStatus();
    ShowEngineeringStatus();
}

void EngineeringStatusScreen::StartBtnClick()
{
    const int k = SelectedBench();
    if (k >= 0)
        Host.BenchLink().Benches[k].RequestEngineeringStatus(2);
    StartBtn->setEnabled(false);
    StopBtn->setEnabled(true);
}

void EngineeringStatusScreen::StopBtnClick()
{
    const int k = SelectedBench();
    if (k >= 0)
        Host.BenchLink().Benches[k].RequestEngineeringStatus(0);
    StartBtn->setEnabled(true);
    StopBtn->setEnabled(false);
}

void EngineeringStatusScreen::FormClose()
{
    const int k = SelectedBench();
    if (k < 0)
        return;
    Host.BenchLink().Benches[k].RequestEngineeringStatus(0);
    // The stream is off now: let the buttons say so when the window reopens.
    StartBtn->setEnabled(true);
    StopBtn->setEnabled(false);
    CloseWait.Run();
}

void EngineeringStatusScreen::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void EngineeringStatusScreen::CloseWindow()
{
    FormClose();
    hide();
}

void EngineeringStatusScreen::ShowEngineeringStatus()
{
    const int k = SelectedBench();
    if (!isVisible() || k < 0 || k > 3)
        return;
    // Only engineering status ($41 or $44) carries these bytes: before the bench has sent one, the
    // fields stay empty rather than claim " OK " from the four status bytes of a data reply.
    if (!EngStatusSeen[k])
        return;
    const BenchRecord& bench = Host.BenchLink().Benches[k];
    StatusFields::ApplyAll(Fields, StatusDecode::DecodeEngineeringStatus(bench.Status));
}

void EngineeringStatusScreen::ClearEngineeringStatus() { StatusFields::ClearAll(Fields); }
