#include "link/paths.h"
#include "support/pty_fixture.h"

#include <gtest/gtest.h>

TEST(ComDeviceName, FollowsTheDialogRule)
{
    const struct {
        int n;
        const char* name;
    } cases[] = {
        {1, "COM1"}, {3, "COM3"}, {9, "COM9"}, {10, "COM10"}, {12, "COM12"}, {99, "COM99"},
        // 100 and up: the tens character runs past '9', so the name is never a device.
        {100, "COM:0"}, {123, "COM<3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Paths::ComDeviceName(c.n), QString::fromLatin1(c.name)) << c.n;
}

TEST(ComDeviceName, OddNumbersGiveNoValidDevice)
{
    for (int n : {-1, -48, -100000, 1000000, 2147483647}) {
        const QString name = Paths::ComDeviceName(n);
        EXPECT_EQ(Paths::ComNumberOf(name), -1) << n << " " << qPrintable(name);
        EXPECT_TRUE(Paths::ResolveDevice(name).isEmpty()) << n;
    }
}

TEST(ResolveDevice, PrefersTheDevicesEntryElseTheSerialDevice)
{
    DevicesFolder devices;
    devices.AddPty(QStringLiteral("COM3"));
    devices.AddMissing(QStringLiteral("COM12"));
    const QString dir = devices.Path();
    const struct {
        const char* com;
        QString device;
    } cases[] = {
        {"COM3", dir + "/COM3"},
        {"COM12", dir + "/COM12"}, // an entry whose target is gone still decides; opening then fails
        {"COM1", "/dev/ttyS0"},
        {"COM2", "/dev/ttyS1"},
        {"COM25", "/dev/ttyS24"},
        {"COM0", ""},
        {"COM:0", ""},
        {"x", ""},
        {"COM", ""},
        {"com3", ""},
        {"COM123", ""},
        {"COM3 ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Paths::ResolveDevice(QString::fromLatin1(c.com)), c.device) << c.com;
}

TEST(DriveCPath, MapsDriveCIntoItsFolder)
{
    qputenv("HALYARD_DRIVE_C", "/tmp/halyard-c");
    const struct {
        const char* windows;
        const char* local;
    } cases[] = {
        {"C:\\eng.Ok", "/tmp/halyard-c/eng.Ok"},
        {"c:\\history.log", "/tmp/halyard-c/history.log"},
        {"C:\\sub\\dir\\f.txt", "/tmp/halyard-c/sub/dir/f.txt"},
        {"TEST.TRC", "TEST.TRC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Paths::DriveCPath(QString::fromLatin1(c.windows)), QString::fromLatin1(c.local)) << c.windows;
    qunsetenv("HALYARD_DRIVE_C");
}

TEST(Folders, DefaultUnderTheUsersDataFolder)
{
    const QByteArray devices = qgetenv("HALYARD_DEVICES");
    qunsetenv("HALYARD_DEVICES");
    qunsetenv("HALYARD_DRIVE_C");
    EXPECT_TRUE(Paths::DevicesDir().endsWith(QStringLiteral("/halyard/devices"))) << qPrintable(Paths::DevicesDir());
    EXPECT_TRUE(Paths::DriveC().endsWith(QStringLiteral("/halyard/drive_c"))) << qPrintable(Paths::DriveC());
    if (!devices.isEmpty())
        qputenv("HALYARD_DEVICES", devices);
}
