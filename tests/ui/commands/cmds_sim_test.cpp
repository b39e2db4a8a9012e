// The command dialog against the bench simulator over a real pty: the dialog,
// the link and the serial port as the program runs them, with the poll tick's
// hand-over played by the fake main window.
#include "cmds_fake_host.h"
#include "link/com_port.h"
#include "support/pty_fixture.h"
#include "sim/sim_server.h"
#include "link/ticks.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "link/command_table.h"
#include "ui/commands/panel_radio_group_widget.h"

namespace {

class SimDialogTest : public ::testing::Test {
protected:
    DevicesFolder devices; // HALYARD_DEVICES for the test's life
    std::unique_ptr<sim::SimServer> server;
    std::unique_ptr<ComPort> port;
    CmdsFakeHost host;
    std::unique_ptr<CommandDialog> dlg;
    QElapsedTimer clock;
    int64_t offsetMs = 0;

    void SetUp() override
    {
        clock.start();
        Ticks::SetClock([this] { return clock.elapsed() + offsetMs; });
        sim::SimServerConfig config;
        config.devicesDir = devices.Path();
        config.benches = 1;
        server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(server->Start(&error)) << qPrintable(error);
        Bench().Model().SetDrift(false);

        port = std::make_unique<ComPort>(1);
        ASSERT_TRUE(port->Open()) << qPrintable(port->LastError());
        host.TheLink.Benches[0].Setup(port.get());
        QObject::connect(port.get(), &ComPort::DataAvailable, [this](ComPort*) { host.TheLink.PortDataAvailable(0); });
        host.SwitchedOn = {true, false, false, false};
        dlg = std::make_unique<CommandDialog>(host);
        host.Dialog = dlg.get();
        dlg->UpdateBenchSelection();
    }
    void TearDown() override
    {
        host.Dialog = nullptr;
        dlg.reset();
        if (port)
            port->Close();
        port.reset();
        if (server)
            server->Stop();
        Ticks::SetClock({});
    }

    sim::SimBench& Bench() { return server->Link(0)->Bench(); }
    QLineEdit* E(int n) { return dlg->Edit[size_t(n - 1)]; }
    QString AckNak() { return dlg->AckNakEdit->text(); }
    bool AckNakRed() { return dlg->AckNakEdit->palette().color(QPalette::Text) == QColor(255, 0, 0); }
    QString Name(uint8_t code) { return QString::fromLatin1(FindCommand(code)->Name); }

    // Send, the next poll tick, and the wait for the dialog to complete.
    bool SendAndWait()
    {
        dlg->SendBtn->click();
        if (!dlg->WaitingForReply())
            return false;
        host.Tick();
        return WaitFor([this] { return !dlg->WaitingForReply(); }, 3000);
    }
    // The last request the bench heard: code and data.
    std::vector<uint8_t> LastRequest()
    {
        if (Bench().Requests().empty())
            return {};
        const sim::SimRequestRecord& r = Bench().Requests().back();
        std::vector<uint8_t> v{r.code};
        v.insert(v.end(), r.data.begin(), r.data.end());
        return v;
    }
};

TEST_F(SimDialogTest, SystemId)
{
    host.Choose(0x04);
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0x04}));
    EXPECT_EQ(E(1)->text(), QStringLiteral("KS1001"));
    EXPECT_EQ(E(2)->text(), QStringLiteral("2100"));
    EXPECT_EQ(E(3)->text(), QStringLiteral("HW-4410-01"));
    EXPECT_EQ(E(4)->text(), QStringLiteral("C"));
    EXPECT_EQ(E(5)->text(), QStringLiteral("SW-7720-05"));
    EXPECT_EQ(E(6)->text(), QStringLiteral("12"));
    EXPECT_EQ(AckNak(), Name(0x04) + QStringLiteral(" ACK"));
    EXPECT_FALSE(AckNakRed());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(SimDialogTest, MiscData)
{
    sim::SimModel& m = Bench().Model();
    m.ambientTemp.centre = m.ambientTemp.value = 235;
    m.pef.centre = m.pef.value = 1234;
    m.adcA.centre = m.adcA.value = 1500;
    m.adcB.centre = m.adcB.value = -20;
    m.pulses.centre = m.pulses.value = 30000;
    host.Choose(0x05);
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(E(1)->text(), QStringLiteral("23.5"));
    EXPECT_EQ(E(2)->text(), QStringLiteral("1.234"));
    EXPECT_EQ(E(3)->text(), QStringLiteral("1500"));
    EXPECT_EQ(E(4)->text(), QStringLiteral("-20"));
    EXPECT_EQ(E(5)->text(), QStringLiteral("30000"));
}

TEST_F(SimDialogTest, SpanCalibrationSendsTheTickedChannels)
{
    host.Choose(0x03);
    dlg->CheckBox[0]->setChecked(true);
    E(1)->setText(QStringLiteral("2.675"));
    dlg->CheckBox[4]->setChecked(true);
    E(5)->setText(QStringLiteral("20.9"));
    ASSERT_TRUE(SendAndWait());
    // Mask $11, CO2 267 and O2 2090, nothing for the channels not ticked.
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0x03, 0x11, 0x01, 0x0B, 0x08, 0x2A}));
    EXPECT_EQ(AckNak(), Name(0x03) + QStringLiteral(" ACK"));
    EXPECT_EQ(dlg->Remembered.LastTagMask, 0x11);
}

TEST_F(SimDialogTest, WriteUserMemoryThenReadItBack)
{
    host.Choose(0x15);
    E(1)->setText(QStringLiteral("3"));
    for (int i = 0; i < 20; ++i)
        E(i + 2)->setText(QString::number(i * 13));
    E(2)->setText(QStringLiteral("0x0A"));
    E(21)->setText(QStringLiteral("-1"));
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(AckNak(), Name(0x15) + QStringLiteral(" ACK"));
    const auto& cell = Bench().UserMemory(3);
    EXPECT_EQ(cell[0], 0x0A);
    EXPECT_EQ(cell[1], 13);
    EXPECT_EQ(cell[19], 0xFF);

    host.Choose(0x14);
    E(1)->setText(QStringLiteral("3"));
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0x14, 0x03}));
    EXPECT_EQ(E(2)->text(), QStringLiteral("0x0A"));
    EXPECT_EQ(E(3)->text(), QStringLiteral("0x0D"));
    EXPECT_EQ(E(20)->text(), QStringLiteral("0xEA")); // byte 19: 18 * 13
    EXPECT_EQ(E(21)->text(), QStringLiteral("0xFF"));

    // The write panel offers the remembered location and bytes next time.
    host.Choose(0x15);
    EXPECT_EQ(E(1)->text(), QStringLiteral("3"));
    EXPECT_EQ(E(2)->text(), QStringLiteral("10"));
    EXPECT_EQ(E(21)->text(), QStringLiteral("255"));
}

TEST_F(SimDialogTest, ModeSelect)
{
    host.Choose(0xF1);
    dlg->RadioGroup[0]->SetItemIndex(1); // Temporary Change
    dlg->RadioGroup[1]->SetItemIndex(3); // 3 - Harrier, New
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0xF1, 0x01, 0x03}));
    EXPECT_EQ(E(12)->text(), QStringLiteral("Harrier, New"));

    host.Choose(0xF1); // Report Mode
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(E(12)->text(), QStringLiteral("Harrier, New"));
}

TEST_F(SimDialogTest, ChangeCommandSet)
{
    host.Choose(0xD4);
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0xD4, 0, 0, 0, 0}));
    EXPECT_EQ(E(1)->text(), QStringLiteral("2010A")); // as shipped: Osprey

    host.Choose(0xD4);
    dlg->RadioGroup[0]->SetItemIndex(5); // Condor Command Set, Permanent
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0xD4, 30, 20, 0, 1}));
    EXPECT_EQ(E(1)->text(), QStringLiteral("3020A"));
}

TEST_F(SimDialogTest, NakIsShownInRed)
{
    Bench().NakCode(0x16, 0x02);
    host.Choose(0x16);
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(AckNak(), Name(0x16) + QStringLiteral(" NAK  : Not Allowed at this time"));
    EXPECT_TRUE(AckNakRed());
    EXPECT_TRUE(E(1)->text().isEmpty());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(SimDialogTest, SilentBenchTimesOut)
{
    Bench().SetSilent(true);
    host.Choose(0x12);
    dlg->SendBtn->click();
    host.Tick();
    ASSERT_TRUE(WaitFor([this] { return !Bench().Requests().empty(); }));
    SpinFor(50);
    host.Tick();
    EXPECT_TRUE(dlg->WaitingForReply());
    offsetMs += 36 * 55 + 200; // past the link's reply time-out
    host.Tick();
    EXPECT_EQ(AckNak(), Name(0x12) + QStringLiteral(" Timeout"));
    EXPECT_TRUE(AckNakRed());
    EXPECT_FALSE(dlg->WaitingForReply());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(SimDialogTest, SoftResetAcknowledgedDisconnects)
{
    host.Choose(0xF0);
    ASSERT_TRUE(SendAndWait());
    EXPECT_EQ(LastRequest(), (std::vector<uint8_t>{0xF0}));
    EXPECT_EQ(host.SoftResetDisconnects, 1);
    EXPECT_EQ(AckNak(), Name(0xF0) + QStringLiteral(" ACK"));
}

} // namespace
