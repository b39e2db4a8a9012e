#include "ui/main/feed_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

FeedDialog::FeedDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFeedDialog"));
    setWindowTitle(QStringLiteral("Feed Settings"));
    auto* form = new QFormLayout;
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    EnabledChk = new QCheckBox(QStringLiteral("Publish every data row"), this);
    EnabledChk->setObjectName(QStringLiteral("EnabledChk"));
    HostEdit = edit("HostEdit");
    PortSpin = new QSpinBox(this);
    PortSpin->setObjectName(QStringLiteral("PortSpin"));
    PortSpin->setRange(1, 65535);
    PrefixEdit = edit("PrefixEdit");
    StationEdit = edit("StationEdit");
    StationEdit->setPlaceholderText(QStringLiteral("host name"));
    UserEdit = edit("UserEdit");
    PasswordEdit = edit("PasswordEdit");
    PasswordEdit->setEchoMode(QLineEdit::Password);
    CaEdit = edit("CaEdit");
    CertEdit = edit("CertEdit");
    KeyEdit = edit("KeyEdit");
    QueueSpin = new QSpinBox(this);
    QueueSpin->setObjectName(QStringLiteral("QueueSpin"));
    QueueSpin->setRange(FeedSettings::kMinQueue, FeedSettings::kMaxQueue);

    form->addRow(EnabledChk);
    form->addRow(QStringLiteral("Broker host"), HostEdit);
    form->addRow(QStringLiteral("Port"), PortSpin);
    form->addRow(QStringLiteral("Topic prefix"), PrefixEdit);
    form->addRow(QStringLiteral("Station"), StationEdit);
    form->addRow(QStringLiteral("User"), UserEdit);
    form->addRow(QStringLiteral("Password"), PasswordEdit);
    form->addRow(QStringLiteral("CA file"), CaEdit);
    form->addRow(QStringLiteral("Certificate file"), CertEdit);
    form->addRow(QStringLiteral("Key file"), KeyEdit);
    form->addRow(QStringLiteral("Queue size"), QueueSpin);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    SetValues(FeedSettings{});
}

void FeedDialog::SetValues(const FeedSettings& s)
{
    EnabledChk->setChecked(s.Enabled);
    HostEdit->setText(s.Host);
    PortSpin->setValue(s.Port);
    PrefixEdit->setText(s.Prefix);
    StationEdit->setText(s.Station);
    UserEdit->setText(s.User);
    PasswordEdit->setText(s.Password);
    CaEdit->setText(s.CaFile);
    CertEdit->setText(s.CertFile);
    KeyEdit->setText(s.KeyFile);
    QueueSpin->setValue(s.QueueSize);
}

FeedSettings FeedDialog::Values() const
{
    FeedSettings s;
    s.Enabled = EnabledChk->isChecked();
    s.Host = HostEdit->text().trimmed();
    s.Port = PortSpin->value();
    s.Prefix = PrefixEdit->text().trimmed();
    s.Station = StationEdit->text().trimmed();
    s.User = UserEdit->text();
    s.Password = PasswordEdit->text();
    s.CaFile = CaEdit->text().trimmed();
    s.CertFile = CertEdit->text().trimmed();
    s.KeyFile = KeyEdit->text().trimmed();
    s.QueueSize = QueueSpin->value();
    return s;
}
