#include "ui/common/comm_settings_dialog.h"

#include "link/com_port.h"
#include "link/paths.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CommSettingsDialog::CommSettingsDialog(std::array<ComPort*, 4> ports, IMessageSink& messages, QWidget* parent)
    : QDialog(parent)
    , ports_(ports)
    , messages_(messages)
{
    setObjectName(QStringLiteral("TCommDlg"));
    setWindowTitle(QStringLiteral("Communications Settings"));
    setModal(true);

    Baud = new QGroupBox(QStringLiteral("&Baud Rate"), this);
    Baud->setObjectName(QStringLiteral("Baud"));
    Baud->setAccessibleName(QStringLiteral("Baud Rate"));
    baudGroup_ = new QButtonGroup(this);
    auto* baudLayout = new QVBoxLayout(Baud);
    static const char* const kItemTexts[5] = {"&9600", "&19200", "&38400", "&57600", "&115200"};
    for (int i = 0; i < 5; ++i) {
        auto* item = new QRadioButton(QString::fromLatin1(kItemTexts[i]), Baud);
        item->setObjectName(QStringLiteral("BaudItem%1").arg(i));
        item->setAccessibleName(QString::number(kBaudRates[i]));
        baudGroup_->addButton(item, i);
        baudLayout->addWidget(item);
        BaudItems[i] = item;
    }
    BaudItems[1]->setChecked(true);
    // Like the radio group's click: only a change of the chosen item counts.
    for (QRadioButton* item : BaudItems)
        connect(item, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                BaudClick();
        });

    TraceBtn = new QPushButton(QStringLiteral("Trace Dump"), this);
    TraceBtn->setObjectName(QStringLiteral("TraceBtn"));
    TraceBtn->setAccessibleName(QStringLiteral("Trace Dump"));
    TraceBtn->setAutoDefault(false);
    connect(TraceBtn, &QPushButton::clicked, this, &CommSettingsDialog::TraceBtnClick);

    PortNumberLabel = new QLabel(QStringLiteral("Bench1 at COM"), this);
    PortNumberLabel->setObjectName(QStringLiteral("Label1"));
    PortNumberEdit = new QLineEdit(QStringLiteral("1"), this);
    PortNumberEdit->setObjectName(QStringLiteral("Edit1"));
    PortNumberEdit->setAccessibleName(QStringLiteral("Bench1 at COM"));
    PortNumberLabel->setBuddy(PortNumberEdit);

    ApplyPortBtn = new QPushButton(QStringLiteral("OK1Btn"), this);
    ApplyPortBtn->setObjectName(QStringLiteral("OK1Btn"));
    ApplyPortBtn->setAccessibleName(QStringLiteral("Apply bench1 port"));
    ApplyPortBtn->setAutoDefault(false);
    connect(ApplyPortBtn, &QPushButton::clicked, this, &CommSettingsDialog::ApplyPortBtnClick);

    OKBtn = new QPushButton(QStringLiteral("OKBtn"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setAccessibleName(QStringLiteral("OK"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(PortNumberLabel);
    portRow->addWidget(PortNumberEdit);
    portRow->addWidget(ApplyPortBtn);

    auto* right = new QVBoxLayout;
    right->addWidget(TraceBtn);
    right->addLayout(portRow);
    right->addStretch();
    right->addWidget(OKBtn, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Baud);
    layout->addLayout(right);
}

int CommSettingsDialog::BaudItemIndex() const { return baudGroup_->checkedId(); }

void CommSettingsDialog::SelectBaudItem(int i)
{
    if (i < 0 || i >= 5)
        return;
    BaudItems[i]->setChecked(true);
}

void CommSettingsDialog::BaudClick()
{
    const int item = BaudItemIndex();
    if (item < 0 || item >= 5)
        return;
    for (ComPort* port : ports_) {
        if (port && port->IsOpen()) {
            port->FlushOutBuffer();
            port->SetBaud(kBaudRates[item]);
        }
    }
}

void CommSettingsDialog::TraceBtnClick()
{
    ComPort* port = ports_[0];
    if (!port || !port->IsOpen())
        return;
    if (port->Tracing()) {
        port->SetTracing(false);
        TraceBtn->setText(QStringLiteral("Trace Dump OFF"));
    } else {
        port->SetTraceName(QStringLiteral("TEST.TRC"));
        port->SetTraceSize(kTraceEntries);
        port->SetTracing(true);
        TraceBtn->setText(QStringLiteral("Trace Dump ON"));
    }
}

void CommSettingsDialog::ApplyPortBtnClick()
{
    bool isNumber = false;
    const int n = PortNumberEdit->text().toInt(&isNumber, 10);
    bool usable = false;
    if (!isNumber) {
        messages_.Show(QStringLiteral("Information"), QStringLiteral("Check Com Port number"),
                       IMessageSink::Icon::None);
    } else {
        PortLabelText = QStringLiteral("Com ") + QString::number(n);
        usable = ComPort::TestDevice(Paths::ComDeviceName(n));
    }
    if (!usable) {
        messages_.Show(QStringLiteral("Information"), QStringLiteral("Illegal Com Port"),
                       IMessageSink::Icon::Error);
        return;
    }
    if (ports_[0])
        ports_[0]->SetComNumber(n);
    emit PortLabelChanged(PortLabelText);
}
