#include "link/com_port.h"
#include "support/pty_fixture.h"
#include "link/traffic_lights.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {
class TrafficLightsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(port.Open()); }
    DevicesFolder devices;
    Pty& line = devices.AddPty(QStringLiteral("COM1"));
    ComPort port{1};
    TrafficLights lights{&port};
    QSignalSpy changes{&lights, &TrafficLights::Changed};

    std::pair<bool, bool> Last() const
    {
        const QList<QVariant>& args = changes.constLast();
        return {args.at(0).toBool(), args.at(1).toBool()};
    }
};
} // namespace

TEST_F(TrafficLightsTest, DarkUntilMonitored)
{
    port.PutChar(0x02);
    line.Write("x");
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 1; }));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_FALSE(lights.TxLit());
    EXPECT_FALSE(lights.RxLit());
}

TEST_F(TrafficLightsTest, EachLightFollowsItsDirectionAndGoesDark)
{
    lights.SetMonitoring(true);
    port.PutChar(0x02);
    EXPECT_TRUE(lights.TxLit());
    EXPECT_FALSE(lights.RxLit());
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(Last(), std::make_pair(true, false));
    ASSERT_TRUE(WaitFor([&] { return !lights.TxLit(); }));
    EXPECT_EQ(Last(), std::make_pair(false, false));

    line.Write("abc");
    ASSERT_TRUE(WaitFor([&] { return lights.RxLit(); }));
    EXPECT_FALSE(lights.TxLit());
    ASSERT_TRUE(WaitFor([&] { return !lights.RxLit(); }));
}

TEST_F(TrafficLightsTest, MonitoringOffDarkensAtOnce)
{
    lights.SetMonitoring(true);
    port.PutChar(0x02);
    ASSERT_TRUE(lights.TxLit());
    lights.SetMonitoring(false);
    EXPECT_FALSE(lights.TxLit());
    EXPECT_EQ(Last(), std::make_pair(false, false));
    const int seen = changes.count();
    port.PutChar(0x03);
    SpinFor(2 * TrafficLights::kHoldMs);
    EXPECT_EQ(changes.count(), seen);
}
