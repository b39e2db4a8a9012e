#include "link/port_activation.h"
#include "support/pty_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {
// The main window's four check boxes; unticking from code notifies as a real box does.
class FakeBoxes : public IBenchBoxes {
public:
    bool BoxEnabled(int k) const override { return enabled[k]; }
    bool BoxTicked(int k) const override { return ticked[k]; }
    void SetBoxEnabled(int k, bool on) override { enabled[k] = on; }
    void SetBoxTicked(int k, bool on) override
    {
        const bool changed = ticked[k] != on;
        ticked[k] = on;
        if (changed && activation) {
            ++notifications;
            activation->Activate();
        }
    }
    bool enabled[4] = {false, false, false, false};
    bool ticked[4] = {false, false, false, false};
    PortActivation* activation = nullptr;
    int notifications = 0;
};

class PortActivationTest : public ::testing::Test {
protected:
    PortActivationTest()
    {
        pty1 = &devices.AddPty(QStringLiteral("COM1"));
        devices.AddMissing(QStringLiteral("COM2"));
        pty3 = &devices.AddPty(QStringLiteral("COM3"));
        devices.AddMissing(QStringLiteral("COM4"));
        switches.activation = &activation;
    }
    // Ticks box k (0..3) as the user would: the change notice runs activation.
    void Tick(int k, bool on)
    {
        switches.ticked[k] = on;
        activation.Activate();
    }
    DevicesFolder devices;
    Pty* pty1 = nullptr;
    Pty* pty3 = nullptr;
    FakeBoxes switches;
    PortActivation activation{switches};
};
} // namespace

TEST_F(PortActivationTest, ProbeEnablesTheBoxesOfPresentDevicesOnly)
{
    activation.Probe();
    const bool expected[4] = {true, false, true, false};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(switches.enabled[k], expected[k]) << k;
        EXPECT_FALSE(activation.Port(k).IsOpen()) << k;
        EXPECT_FALSE(activation.PortOpen[k]) << k;
    }
}

TEST_F(PortActivationTest, ProbeLooksAtCom1To4WhateverThePortsAreSetTo)
{
    activation.Port(0).SetComNumber(2); // a missing device
    activation.Port(1).SetComNumber(1);
    activation.Probe();
    EXPECT_TRUE(switches.enabled[0]);
    EXPECT_FALSE(switches.enabled[1]);
}

TEST_F(PortActivationTest, TickedEnabledBoxesOpenTheirPortsAndUntickingCloses)
{
    activation.Probe();
    Tick(0, true);
    Tick(2, true);
    Tick(1, true); // disabled: stays closed
    EXPECT_TRUE(activation.PortOpen[0]);
    EXPECT_FALSE(activation.PortOpen[1]);
    EXPECT_TRUE(activation.PortOpen[2]);
    EXPECT_TRUE(activation.Port(0).IsOpen());
    EXPECT_TRUE(activation.Port(2).IsOpen());
    EXPECT_TRUE(activation.Lights(0).Monitoring());
    EXPECT_FALSE(activation.Lights(1).Monitoring());
    EXPECT_TRUE(switches.ticked[1]) << "a disabled box is left as it is";

    Tick(0, false);
    EXPECT_FALSE(activation.PortOpen[0]);
    EXPECT_FALSE(activation.Port(0).IsOpen());
    EXPECT_FALSE(activation.Lights(0).Monitoring());
    EXPECT_TRUE(activation.Port(2).IsOpen());
}

TEST_F(PortActivationTest, OpenFailureDisablesAndUnticksWithoutMessage)
{
    activation.Probe();
    ComPort otherProgram(3);
    ASSERT_TRUE(otherProgram.Open());

    Tick(0, true);
    Tick(2, true); // the device is in use
    EXPECT_FALSE(switches.enabled[2]);
    EXPECT_FALSE(switches.ticked[2]);
    EXPECT_FALSE(activation.PortOpen[2]);
    EXPECT_FALSE(activation.Port(2).IsOpen());
    EXPECT_FALSE(activation.Lights(2).Monitoring());
    EXPECT_EQ(switches.notifications, 1);
    EXPECT_TRUE(activation.PortOpen[0]) << "the re-run through the box notice leaves the others alone";

    // The box stays disabled: ticking it again once the device is free does nothing.
    otherProgram.Close();
    Tick(2, true);
    EXPECT_FALSE(activation.PortOpen[2]);
}

// An adapter pulled from an open port: the box is unticked and disabled as on a failed open, the
// user is told once which port went, and once the device path is back the box can be ticked again.
TEST_F(PortActivationTest, LostDeviceIsReportedOnceAndItsBoxReturnsWithTheDevice)
{
    QStringList lost;
    activation.OnPortLost = [&](int k, const QString& comName) { lost << QString::number(k) + QLatin1Char(' ') + comName; };
    activation.Probe();
    Tick(0, true);
    Tick(2, true);
    ASSERT_TRUE(activation.PortOpen[2]);

    pty3->CloseAll();
    ASSERT_TRUE(WaitFor([&] { return !lost.isEmpty(); }));
    SpinFor(200);
    EXPECT_EQ(lost, QStringList{QStringLiteral("2 COM3")});
    EXPECT_FALSE(switches.ticked[2]);
    EXPECT_FALSE(switches.enabled[2]);
    EXPECT_FALSE(activation.PortOpen[2]);
    EXPECT_FALSE(activation.Port(2).IsOpen());
    EXPECT_FALSE(activation.Lights(2).Monitoring());
    EXPECT_TRUE(activation.PortOpen[0]) << "the other port is left alone";

    // Still missing: the box stays disabled.
    QFile::remove(devices.Path() + QStringLiteral("/COM3"));
    activation.RecheckLostPorts();
    EXPECT_FALSE(switches.enabled[2]);
    EXPECT_TRUE(activation.Lost(2));

    // Back on the same path: the recheck timer enables the box and ticking opens the port.
    Pty& replugged = devices.AddPty(QStringLiteral("COM3"));
    ASSERT_TRUE(WaitFor([&] { return switches.enabled[2]; }, 3 * PortActivation::kRecheckMs));
    EXPECT_FALSE(activation.Lost(2));
    Tick(2, true);
    ASSERT_TRUE(activation.PortOpen[2]);
    activation.Port(2).PutChar(0x42);
    EXPECT_EQ(replugged.ReadAtLeast(1), QByteArray("\x42"));
    EXPECT_EQ(lost.size(), 1);
}

TEST_F(PortActivationTest, RepeatedActivationKeepsOpenPortsAsTheyAre)
{
    activation.Probe();
    Tick(0, true);
    ComPort* before = &activation.Port(0);
    activation.Activate();
    activation.Activate();
    EXPECT_TRUE(activation.PortOpen[0]);
    EXPECT_EQ(&activation.Port(0), before);
    EXPECT_TRUE(activation.Port(0).IsOpen());
}

TEST_F(PortActivationTest, ShutdownClosesEverythingAndDarkensTheLights)
{
    activation.Probe();
    Tick(0, true);
    Tick(2, true);
    activation.Port(0).PutChar(0x02);
    EXPECT_TRUE(activation.Lights(0).TxLit());
    activation.Shutdown();
    for (int k = 0; k < 4; ++k) {
        EXPECT_FALSE(activation.Port(k).IsOpen()) << k;
        EXPECT_FALSE(activation.Lights(k).Monitoring()) << k;
    }
    EXPECT_FALSE(activation.Lights(0).TxLit());
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM1")));
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM3")));
}
