#include "link/com_port.h"
#include "ui/common/comm_settings_dialog.h"
#include "support/pty_fixture.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {
struct Message {
    QString caption;
    QString text;
    IMessageSink::Icon icon;
    bool operator==(const Message&) const = default;
};

class RecordingSink : public IMessageSink {
public:
    void Show(const QString& caption, const QString& text, Icon icon) override
    {
        shown.push_back({caption, text, icon});
    }
    std::vector<Message> shown;
};

const Message kCheckNumber{"Information", "Check Com Port number", IMessageSink::Icon::None};
const Message kIllegalPort{"Information", "Illegal Com Port", IMessageSink::Icon::Error};

class CommDialogTest : public ::testing::Test {
protected:
    static std::array<std::unique_ptr<ComPort>, 4> MakePorts()
    {
        std::array<std::unique_ptr<ComPort>, 4> made;
        for (int k = 0; k < 4; ++k)
            made[k] = std::make_unique<ComPort>(k + 1);
        return made;
    }
    std::array<ComPort*, 4> Ports() { return {ports[0].get(), ports[1].get(), ports[2].get(), ports[3].get()}; }

    DevicesFolder devices;
    Pty& com1 = devices.AddPty(QStringLiteral("COM1"));
    Pty& com2 = devices.AddPty(QStringLiteral("COM2"));
    Pty& com3 = devices.AddPty(QStringLiteral("COM3"));
    Pty& com4 = devices.AddPty(QStringLiteral("COM4"));
    std::array<std::unique_ptr<ComPort>, 4> ports = MakePorts();
    RecordingSink messages;
    CommSettingsDialog dialog{Ports(), messages};
    QSignalSpy labels{&dialog, &CommSettingsDialog::PortLabelChanged};
};
} // namespace

TEST_F(CommDialogTest, ControlsAsTheUserFindsThem)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Communications Settings"));
    EXPECT_EQ(dialog.Baud->title(), QStringLiteral("&Baud Rate"));
    const char* items[5] = {"&9600", "&19200", "&38400", "&57600", "&115200"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dialog.BaudItems[i]->text(), QString::fromLatin1(items[i]));
    EXPECT_EQ(dialog.BaudItemIndex(), 1);
    EXPECT_EQ(dialog.TraceBtn->text(), QStringLiteral("Trace Dump"));
    EXPECT_EQ(dialog.PortNumberLabel->text(), QStringLiteral("Bench1 at COM"));
    EXPECT_EQ(dialog.PortNumberLabel->buddy(), dialog.PortNumberEdit);
    EXPECT_EQ(dialog.PortNumberEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.ApplyPortBtn->text(), QStringLiteral("OK1Btn"));
    EXPECT_EQ(dialog.OKBtn->text(), QStringLiteral("OKBtn"));
    EXPECT_EQ(dialog.PortLabelText, QStringLiteral("Com 1"));

    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(w) || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << qPrintable(w->objectName());
    }
}

TEST_F(CommDialogTest, OkButtonClosesWithOk)
{
    dialog.show();
    dialog.OKBtn->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CommDialogTest, BaudChangeReachesOpenPortsOnly)
{
    ASSERT_TRUE(ports[0]->Open());
    ASSERT_TRUE(ports[2]->Open());
    dialog.BaudItems[3]->click(); // "&57600"
    EXPECT_EQ(ports[0]->Baud(), 57600);
    EXPECT_EQ(ports[2]->Baud(), 57600);
    EXPECT_EQ(com1.OutputSpeed(), speed_t(B57600));
    EXPECT_EQ(com3.OutputSpeed(), speed_t(B57600));
    EXPECT_EQ(ports[1]->Baud(), 19200);
    EXPECT_EQ(ports[3]->Baud(), 19200);

    ASSERT_TRUE(ports[1]->Open()); // a bench switched on later keeps its own rate
    EXPECT_EQ(com2.OutputSpeed(), speed_t(B19200));
}

TEST_F(CommDialogTest, BaudChangeDiscardsPendingOutput)
{
    ASSERT_TRUE(ports[0]->Open());
    ports[0]->PutBlock(reinterpret_cast<const uint8_t*>("stale"), 5);
    dialog.SelectBaudItem(4);
    EXPECT_EQ(ports[0]->Baud(), 115200);
    ports[0]->PutChar(0x02);
    EXPECT_EQ(com1.ReadAtLeast(1), QByteArray("\x02"));
}

TEST_F(CommDialogTest, ClickingTheChosenRateAgainChangesNothing)
{
    ASSERT_TRUE(ports[0]->Open());
    ports[0]->PutBlock(reinterpret_cast<const uint8_t*>("kept"), 4);
    dialog.BaudItems[1]->click(); // already "&19200"
    EXPECT_EQ(ports[0]->OutBuffFree(), ComPort::kOutBufferSize - 4);
    EXPECT_EQ(com1.ReadAtLeast(4), QByteArray("kept"));
}

TEST_F(CommDialogTest, TraceButtonDoesNothingWhilePort1IsClosed)
{
    dialog.TraceBtn->click();
    EXPECT_FALSE(ports[0]->Tracing());
    EXPECT_EQ(dialog.TraceBtn->text(), QStringLiteral("Trace Dump"));
}

TEST_F(CommDialogTest, TraceOnThenOffWritesNoFile)
{
    TempWorkingDir work;
    ASSERT_TRUE(ports[0]->Open());
    dialog.TraceBtn->click();
    EXPECT_TRUE(ports[0]->Tracing());
    EXPECT_EQ(ports[0]->TraceName(), QStringLiteral("TEST.TRC"));
    EXPECT_EQ(ports[0]->TraceSize(), 10000);
    EXPECT_EQ(dialog.TraceBtn->text(), QStringLiteral("Trace Dump ON"));
    ports[0]->PutChar(0x02);
    dialog.TraceBtn->click();
    EXPECT_FALSE(ports[0]->Tracing());
    EXPECT_EQ(dialog.TraceBtn->text(), QStringLiteral("Trace Dump OFF"));
    ports[0]->Close();
    EXPECT_FALSE(QFile::exists(work.FilePath(QStringLiteral("TEST.TRC"))));
}

TEST_F(CommDialogTest, TraceOnThenClosingPort1WritesTestTrc)
{
    TempWorkingDir work;
    ASSERT_TRUE(ports[0]->Open());
    dialog.TraceBtn->click();
    const uint8_t request[] = {0x02, 0x01, 0x04, 0xF9};
    ports[0]->PutBlock(request, 4);
    ports[0]->Close();
    QFile file(work.FilePath(QStringLiteral("TEST.TRC")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Tx: 02 01 04 F9\n"));
}

TEST_F(CommDialogTest, BenchOneDeviceEntries)
{
    devices.AddPty(QStringLiteral("COM12"));
    devices.AddMissing(QStringLiteral("COM5"));
    const struct {
        const char* entry;
        std::vector<Message> messages;
        int comNumber; // of port 1 afterwards
        const char* label; // shown on the main window, or null
    } cases[] = {
        {"x", {kCheckNumber, kIllegalPort}, 1, nullptr},
        {"", {kCheckNumber, kIllegalPort}, 1, nullptr},
        {"3.5", {kCheckNumber, kIllegalPort}, 1, nullptr},
        {"99999999999", {kCheckNumber, kIllegalPort}, 1, nullptr},
        {"5", {kIllegalPort}, 1, nullptr},
        {"100", {kIllegalPort}, 1, nullptr},
        {"-1", {kIllegalPort}, 1, nullptr},
        {"12", {}, 12, "Com 12"},
        {"3", {}, 3, "Com 3"},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        labels.clear();
        dialog.PortNumberEdit->setText(QString::fromLatin1(c.entry));
        dialog.ApplyPortBtn->click();
        EXPECT_EQ(messages.shown, c.messages) << c.entry;
        EXPECT_EQ(ports[0]->ComNumber(), c.comNumber) << c.entry;
        if (c.label) {
            ASSERT_EQ(labels.count(), 1) << c.entry;
            EXPECT_EQ(labels.at(0).at(0).toString(), QString::fromLatin1(c.label));
            EXPECT_EQ(dialog.PortLabelText, QString::fromLatin1(c.label));
        } else {
            EXPECT_EQ(labels.count(), 0) << c.entry;
        }
    }
}

TEST_F(CommDialogTest, MissingCom12IsIllegal)
{
    if (QFile::exists(QStringLiteral("/dev/ttyS11")))
        GTEST_SKIP() << "this machine has a /dev/ttyS11 that COM12 would fall back to";
    dialog.PortNumberEdit->setText(QStringLiteral("12"));
    dialog.ApplyPortBtn->click();
    EXPECT_EQ(messages.shown, std::vector<Message>{kIllegalPort});
    EXPECT_EQ(ports[0]->ComNumber(), 1);
    EXPECT_EQ(labels.count(), 0);
}

TEST_F(CommDialogTest, DeviceBenchOneHoldsOpenIsIllegal)
{
    ASSERT_TRUE(ports[0]->Open());
    dialog.PortNumberEdit->setText(QStringLiteral("1"));
    dialog.ApplyPortBtn->click();
    EXPECT_EQ(messages.shown, std::vector<Message>{kIllegalPort});
    EXPECT_TRUE(ports[0]->IsOpen());
}

TEST_F(CommDialogTest, NewDeviceForAClosedBenchOneIsUsedAtTheNextOpen)
{
    dialog.PortNumberEdit->setText(QStringLiteral("3"));
    dialog.ApplyPortBtn->click();
    ASSERT_TRUE(messages.shown.empty());
    ASSERT_TRUE(ports[0]->Open());
    ports[0]->PutChar(0x5A);
    EXPECT_EQ(com3.ReadAtLeast(1), QByteArray("\x5A"));
    EXPECT_TRUE(com1.Drain().isEmpty());
}

TEST_F(CommDialogTest, NewDeviceMovesAnOpenBenchOneAtOnce)
{
    ASSERT_TRUE(ports[0]->Open());
    dialog.PortNumberEdit->setText(QStringLiteral("4"));
    dialog.ApplyPortBtn->click();
    ASSERT_TRUE(messages.shown.empty());
    EXPECT_TRUE(ports[0]->IsOpen());
    ports[0]->PutChar(0x5A);
    EXPECT_EQ(com4.ReadAtLeast(1), QByteArray("\x5A"));
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM1")));
}
