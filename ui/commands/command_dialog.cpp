#include "ui/commands/command_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "link/decoders.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "ui/commands/panel_radio_group_widget.h"
#include "ui/commands/panels.h"

namespace {
template <class W>
W* Named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}
} // namespace

CommandDialog::CommandDialog(BenchHost& host, QWidget* parent) : CommandDialogBase(parent), Host(host)
{
    setWindowFlag(Qt::Dialog);
    BuildForm();
    connect(SendBtn, &QPushButton::clicked, this, [this] { SendBtnClick(); });
    connect(CloseBtn, &QPushButton::clicked, this, [this] { CloseBtnClick(); });
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(GrpBench, &BenchButtons::BenchChanged, this, [this](int) { BenchButtonClick(); });
    connect(WaitTimer, &QTimer::timeout, this, [this] { WaitTimerTick(); });
    // The fallback timer runs from creation: its first expiry finds the dialog idle.
    WaitTimer->start(kWaitFallbackMs);
    UpdateBenchSelection();
    Host.BenchLink().Subscribe(*this);
}

CommandDialog::~CommandDialog() { Host.BenchLink().Unsubscribe(*this); }

void CommandDialog::ReplyReadyIfShown(int k, uint8_t code)
{
    if (Host.DialogCommand() != code)
        return;
    Host.BenchLink().Benches[size_t(k)].Commands[code].ReplyReady = true;
    ShowCommandReply(code);
}

void CommandDialog::ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame)
{
    switch (kind) {
    case ReplyKind::DataStatus:
        if (frame.Code == 0x44)
            ReplyReadyIfShown(k, 0x44);
        // Every data reply refreshes "In Progress".
        ShowCommandReply(0);
        break;
    case ReplyKind::RawIR:
        // A block shorter than its layout is not a reply to show.
        if (frame.Length >= ReplyLayoutLength(frame.Code))
            ReplyReadyIfShown(k, frame.Code);
        break;
    case ReplyKind::EngStatus:
    case ReplyKind::Value:
    case ReplyKind::AckOnly:
    case ReplyKind::SoftReset: ReplyReadyIfShown(k, frame.Code); break;
    case ReplyKind::FlashParam:
    case ReplyKind::Boot:
    case ReplyKind::None: break;
    }
}

void CommandDialog::RequestEnded(int, uint8_t code)
{
    if (Host.DialogCommand() == code)
        CompleteCommand();
}

void CommandDialog::BuildForm()
{
    resize(640, 560);
    PanelFrame = Named(new QFrame(this), QStringLiteral("Panel1"));
    PanelFrame->setFrameShape(QFrame::StyledPanel);
    PanelFrame->setGeometry(4, 4, 430, 552);
    // The panels' fixed positions leave a label as little as 54 to 134 pixels
    // before its field; a compact font keeps long captions such as
    // "Bytes 11,12 (eg. 0x0A)" from being cut off by the field.
    QFont compact = PanelFrame->font();
    compact.setPixelSize(11);
    PanelFrame->setFont(compact);

    for (int n = 1; n <= 15; ++n)
        Label[size_t(n - 1)] = Named(new QLabel(PanelFrame), QStringLiteral("Label%1").arg(n));
    for (int n = 1; n <= 21; ++n)
        Edit[size_t(n - 1)] = Named(new QLineEdit(PanelFrame), QStringLiteral("Edit%1").arg(n));
    for (int n = 1; n <= 8; ++n)
        CheckBox[size_t(n - 1)] = Named(new QCheckBox(PanelFrame), QStringLiteral("CheckBox%1").arg(n));
    for (int n = 1; n <= 8; ++n)
        RadioGroup[size_t(n - 1)] = Named(new PanelRadioGroupWidget(PanelFrame), QStringLiteral("RadioGroup%1").arg(n));

    InProgLabel = Named(new QLabel(QStringLiteral("Process State"), PanelFrame), QStringLiteral("InProgLabel"));
    InProgLabel->setGeometry(16, 440, 150, 21);
    InProgEdit = Named(new QLineEdit(PanelFrame), QStringLiteral("InProgEdit"));
    InProgEdit->setReadOnly(true);
    InProgEdit->setGeometry(176, 440, 150, 21);
    AckNakLabel = Named(new QLabel(QStringLiteral("ACK, NAK, Timeout"), PanelFrame), QStringLiteral("AckNakLabel"));
    AckNakLabel->setGeometry(16, 472, 150, 21);
    AckNakEdit = Named(new QLineEdit(PanelFrame), QStringLiteral("AckNakEdit"));
    AckNakEdit->setGeometry(176, 472, 240, 21);
    SerNumLabel = Named(new QLabel(QStringLiteral("Serial Number"), PanelFrame), QStringLiteral("SerNumLabel"));
    SerNumLabel->setGeometry(16, 504, 150, 21);
    SerNumEdit = Named(new QLineEdit(PanelFrame), QStringLiteral("SerNumEdit"));
    SerNumEdit->setReadOnly(true);
    SerNumEdit->setGeometry(176, 504, 150, 21);
    NoSensorWarning = Named(new QPlainTextEdit(PanelFrame), QStringLiteral("Memo1"));
    NoSensorWarning->setReadOnly(true);
    NoSensorWarning->setGeometry(16, 350, 400, 80);
    NoSensorWarning->setPlainText(QStringLiteral("WARNING!\nDo not send the $0A New NO Sensor command unless \n"
                                       "you have just installed a new NO sensor and have just \n"
                                       "span calibrated the NO channel."));

    SendBtn = Named(new QPushButton(QStringLiteral("&Send"), this), QStringLiteral("SendBtn"));
    SendBtn->setDefault(true);
    SendBtn->setGeometry(448, 16, 100, 28);
    CloseBtn = Named(new QPushButton(QStringLiteral("Close"), this), QStringLiteral("CloseBtn"));
    CloseBtn->setGeometry(448, 52, 100, 28);
    HelpBtn = Named(new QPushButton(QStringLiteral("Help"), this), QStringLiteral("HelpBtn"));
    HelpBtn->setGeometry(448, 88, 100, 28);
    GrpBench = Named(new BenchButtons(QStringLiteral("Kestrel"), this), QStringLiteral("GrpBench"));
    // Room for the four captioned buttons side by side.
    GrpBench->setGeometry(QRect(QPoint(448, 130), GrpBench->sizeHint().expandedTo(QSize(180, 65))));

    WaitTimer = Named(new QTimer(this), QStringLiteral("Timer1"));
    WaitTimer->setInterval(kWaitFallbackMs);

    // Nothing of the pool shows until a panel asks for it.
    for (QLabel* w : Label)
        w->hide();
    for (QLineEdit* w : Edit)
        w->hide();
    for (QCheckBox* w : CheckBox)
        w->hide();
    for (PanelRadioGroupWidget* w : RadioGroup)
        w->hide();
    InProgLabel->hide();
    InProgEdit->hide();
    NoSensorWarning->hide();
}

int CommandDialog::SelectedBench() const { return GrpBench->SelectedBench(); }

bool CommandDialog::BenchButtonOn(int k) const { return k >= 0 && k < 4 && GrpBench->BB[size_t(k)]->isChecked(); }

QChar CommandDialog::DecimalSeparator() const
{
    return Host.DecimalPointIsDot() ? QLatin1Char('.') : QLatin1Char(',');
}

void CommandDialog::showEvent(QShowEvent* event)
{
    CommandDialogBase::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void CommandDialog::FormShow() { ResetPanel(); }

void CommandDialog::ResetPanel()
{
    for (QLabel* w : Label)
        w->hide();
    for (QCheckBox* w : CheckBox)
        w->hide();
    InProgLabel->hide();
    InProgEdit->clear();
    for (QLineEdit* w : Edit) {
        w->hide();
        w->clear();
    }
    NoSensorWarning->hide();
    AckNakEdit->clear();
    if (SendBtn->isEnabled())
        SendBtn->setFocus();
    for (PanelRadioGroupWidget* w : RadioGroup)
        w->hide();

    View_ = PanelView{};
    if (const PanelDef* panel = Panels::Find(Host.DialogCommand())) {
        setWindowTitle(QString::fromLatin1(panel->Caption));
        panel->SetUp(View_, Remembered, DecimalSeparator());
    }
    PushToWidgets();
}

void CommandDialog::BenchButtonClick()
{
    // BenchButtons has already taken the button that is on as the selection.
    ResetPanel();
}

void CommandDialog::SendBtnClick()
{
    AckNakEdit->clear();
    const int k = SelectedBench();
    if (k == -1) {
        Host.Messages().Show(QStringLiteral("Information"), QStringLiteral("Please select Com port for Kestrel"),
                             IMessageSink::Icon::Information);
        return;
    }
    const uint8_t code = Host.DialogCommand();
    const PanelDef* panel = Panels::Find(code);

    PullFromWidgets();
    if (panel && panel->Clear)
        panel->Clear(View_);
    DialogCommandArgs args{};
    RememberedValues remembered = Remembered;
    CollectContext context{View_, remembered, args, DecimalSeparator()};
    const PanelFaults faults = panel && panel->Collect ? panel->Collect(context) : PanelFaults{};
    PushToWidgets();
    for (const PanelFault& f : faults)
        Host.Messages().Show(QStringLiteral("Information"), f.Text, f.Icon);
    if (!faults.empty())
        return;

    Link& link = Host.BenchLink();
    link.Benches[size_t(k)].CommandArgs = args;
    Remembered = remembered;
    // A reply flag left over from a reply nobody was waiting for must not make
    // old values look like the answer to this command.
    for (BenchRecord& b : link.Benches)
        b.Commands[code].ReplyReady = false;
    Host.SetDialogCommandPending(true);
    SendBtn->setEnabled(false);
    Waiting = true;
    WaitTimer->start(kWaitFallbackMs);
}

void CommandDialog::CloseBtnClick() { hide(); }

void CommandDialog::HelpBtnClick()
{
    if (ShowHelp)
        ShowHelp(kHelpTopic);
}

void CommandDialog::WaitTimerTick()
{
    SendBtn->setEnabled(true);
    Waiting = false;
    WaitTimer->stop();
}

void CommandDialog::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[size_t(k)] = Host.BenchSwitchedOn(k);
    GrpBench->UpdateBenchSelection(on);
}

void CommandDialog::ShowCommandReply(uint8_t code)
{
    const int k = SelectedBench();
    if (k == -1)
        return;
    BenchRecord& b = Host.BenchLink().Benches[size_t(k)];
    if (code == 0) {
        // A data reply (every reply of a stream): only the bench's In Progress bit can change what the
        // dialog shows, so the panel is not read back and written again for each one.
        View_.InProgText = b.InProgress ? QStringLiteral("In Progress") : QString();
        if (InProgEdit->text() != View_.InProgText)
            InProgEdit->setText(View_.InProgText);
        return;
    }
    PullFromWidgets();
    const PanelDef* panel = code != 0 ? Panels::Find(code) : nullptr;
    // Only the panel on show may write into the pool.
    if (Waiting && panel && panel->ShowReply && code == Host.DialogCommand() && b.Commands[code].ReplyReady) {
        panel->ShowReply(View_, b, DecimalSeparator());
        b.Commands[code].ReplyReady = false;
    }
    View_.InProgText = b.InProgress ? QStringLiteral("In Progress") : QString();
    PushToWidgets();
}

void CommandDialog::CompleteCommand()
{
    if (!Waiting)
        return;
    const int k = SelectedBench();
    if (isVisible() && k != -1) {
        const BenchRecord& b = Host.BenchLink().Benches[size_t(k)];
        QPalette p = AckNakEdit->palette();
        p.setColor(QPalette::Text, b.StatusError == 1 ? QColor(255, 0, 0) : QColor(0, 0, 0));
        AckNakEdit->setPalette(p);
        AckNakEdit->setText(QString::fromLatin1(b.StatusText.data(), qsizetype(b.StatusText.size())));
        // A NAK text is longer than the edit: show its start (the command's name), the whole as a tip.
        AckNakEdit->setCursorPosition(0);
        AckNakEdit->setToolTip(AckNakEdit->text());
    }
    Waiting = false;
    SendBtn->setEnabled(true);
    WaitTimer->stop();
}

void CommandDialog::PullFromWidgets()
{
    for (size_t i = 0; i < Edit.size(); ++i)
        View_.Edit[i].Text = Edit[i]->text();
    for (size_t i = 0; i < CheckBox.size(); ++i)
        View_.Check[i].Checked = CheckBox[i]->isChecked();
    for (size_t i = 0; i < RadioGroup.size(); ++i)
        if (View_.Radio[i].Visible)
            View_.Radio[i].Selected = RadioGroup[i]->ItemIndex();
    View_.InProgText = InProgEdit->text();
}

void CommandDialog::PushToWidgets()
{
    for (size_t i = 0; i < Label.size(); ++i) {
        const PanelLabel& v = View_.Label[i];
        if (v.Visible) {
            Label[i]->setText(v.Caption);
            Label[i]->setGeometry(v.Geometry);
        }
        Label[i]->setVisible(v.Visible);
    }
    for (size_t i = 0; i < Edit.size(); ++i) {
        const PanelEdit& v = View_.Edit[i];
        if (Edit[i]->text() != v.Text)
            Edit[i]->setText(v.Text);
        if (v.Visible)
            Edit[i]->setGeometry(v.Geometry);
        Edit[i]->setVisible(v.Visible);
    }
    for (size_t i = 0; i < CheckBox.size(); ++i) {
        const PanelCheck& v = View_.Check[i];
        CheckBox[i]->setChecked(v.Checked);
        if (v.Visible) {
            CheckBox[i]->setText(v.Caption);
            CheckBox[i]->setGeometry(v.Geometry);
        }
        CheckBox[i]->setVisible(v.Visible);
    }
    for (size_t i = 0; i < RadioGroup.size(); ++i) {
        const PanelRadioGroup& v = View_.Radio[i];
        PanelRadioGroupWidget* g = RadioGroup[i];
        if (v.Visible) {
            if (g->Items() != v.Items || g->Columns() != v.Columns)
                g->SetItems(v.Items, v.Columns);
            g->setTitle(v.Caption);
            g->setGeometry(v.Geometry);
            g->SetItemIndex(v.Selected);
        }
        g->setVisible(v.Visible);
    }
    InProgLabel->setVisible(View_.InProgVisible);
    InProgEdit->setVisible(View_.InProgVisible);
    if (InProgEdit->text() != View_.InProgText)
        InProgEdit->setText(View_.InProgText);
    NoSensorWarning->setVisible(View_.MemoVisible);
}
