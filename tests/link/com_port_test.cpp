#include "link/com_port.h"
#include "support/pty_fixture.h"

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {
QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

void Put(ComPort& port, const QByteArray& bytes)
{
    port.PutBlock(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()));
}

QByteArray TakeAll(ComPort& port)
{
    QByteArray bytes(port.InBuffUsed(), '\0');
    port.GetBlock(reinterpret_cast<uint8_t*>(bytes.data()), int(bytes.size()));
    return bytes;
}

class ComPortTest : public ::testing::Test {
protected:
    DevicesFolder devices;
    Pty& line = devices.AddPty(QStringLiteral("COM1"));
    ComPort port{1};
};
} // namespace

TEST_F(ComPortTest, OpensAPtyDespiteItsMissingModemLines)
{
    ASSERT_TRUE(port.Open()) << qPrintable(port.LastError());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Baud(), 19200);
    EXPECT_EQ(line.OutputSpeed(), speed_t(B19200));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.Close(); // closing twice is harmless
    EXPECT_TRUE(port.Open());
}

TEST_F(ComPortTest, MissingDeviceFailsToOpen)
{
    devices.AddMissing(QStringLiteral("COM2"));
    ComPort missing(2);
    EXPECT_FALSE(missing.Open());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.LastError().isEmpty());
    ComPort invalid(100);
    EXPECT_FALSE(invalid.Open());
}

TEST_F(ComPortTest, OpenIsExclusiveUnderEveryName)
{
    ASSERT_TRUE(port.Open());
    devices.Link(QStringLiteral("COM2"), line.SlaveName()); // a second name for the same line
    ComPort sameName(1);
    ComPort otherName(2);
    EXPECT_FALSE(sameName.Open());
    EXPECT_FALSE(otherName.Open());
    // The holder is named from the lock file, under whichever name the device was asked for.
    const QString holder = QString::number(::getpid());
    EXPECT_EQ(sameName.LastError(), QStringLiteral("COM1 is in use by another program (process ") + holder + QLatin1Char(')'));
    EXPECT_EQ(otherName.LastError(), QStringLiteral("COM2 is in use by another program (process ") + holder + QLatin1Char(')'));
    EXPECT_FALSE(ComPort::TestDevice(QStringLiteral("COM1")));
    EXPECT_FALSE(ComPort::TestDevice(QStringLiteral("COM2")));

    port.Close();
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM1")));
    EXPECT_TRUE(otherName.Open());
}

// What a refused open says. The holder case runs for real above; a user without the device's
// group cannot be made here (the tests run as root), so its words are checked alone.
TEST(PortOpenFailureText, SaysWhoHoldsThePortOrHowToGetThePermission)
{
    PortOpenFailure denied;
    denied.PermissionError = true;
    denied.AccessDenied = true;
    denied.DeviceGroup = QStringLiteral("dialout");
    EXPECT_EQ(PortOpenFailureText(QStringLiteral("COM1"), QStringLiteral("/dev/ttyS0"), denied),
              QStringLiteral("COM1 (/dev/ttyS0): no permission to use the device; add the user to the group dialout "
                             "(sudo usermod -a -G dialout $USER), then log in again"));
    PortOpenFailure exclusive;
    exclusive.PermissionError = true;
    EXPECT_EQ(PortOpenFailureText(QStringLiteral("COM3"), QStringLiteral("/dev/ttyUSB0"), exclusive),
              QStringLiteral("COM3 is in use by another program"));
}

TEST_F(ComPortTest, WrittenBytesArriveInOrder)
{
    ASSERT_TRUE(port.Open());
    Put(port, Bytes({0x02, 0x01}));
    port.PutChar(0x04);
    Put(port, Bytes({0xF9, 0x02, 0x03, 0x01, 0x01, 0x00, 0xF9}));
    EXPECT_EQ(line.ReadAtLeast(10), Bytes({0x02, 0x01, 0x04, 0xF9, 0x02, 0x03, 0x01, 0x01, 0x00, 0xF9}));
}

TEST_F(ComPortTest, ReceivedBytesRaiseDataAvailableAndReadInOrder)
{
    ASSERT_TRUE(port.Open());
    QSignalSpy available(&port, &ComPort::DataAvailable);
    line.Write(Bytes({0x06, 0x04, 0x00, 0xF6}));
    ASSERT_TRUE(WaitFor([&] { return available.count() > 0; }));
    EXPECT_EQ(available.at(0).at(0).value<ComPort*>(), &port);
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 4; }));

    uint8_t first[2] = {};
    port.GetBlock(first, 2);
    EXPECT_EQ(first[0], 0x06);
    EXPECT_EQ(first[1], 0x04);
    EXPECT_EQ(TakeAll(port), Bytes({0x00, 0xF6}));
    EXPECT_EQ(port.InBuffUsed(), 0);
}

// The port reads its line itself, a batch at a time: QSerialPort, which would read on every wake-up of its
// own notifier (one system call per reply at line rate), never reads and never says readyRead.
TEST_F(ComPortTest, ReceivedBytesAreReadByThePortNotByQSerialPort)
{
    ASSERT_TRUE(port.Open());
    auto* serial = port.findChild<QSerialPort*>();
    ASSERT_NE(serial, nullptr);
    QSignalSpy readyRead(serial, &QSerialPort::readyRead);
    QSignalSpy available(&port, &ComPort::DataAvailable);
    for (int reply = 0; reply < 3; ++reply) {
        line.Write(Bytes({0x06, 0x04, 0x00, 0xF6}));
        ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 4 * (reply + 1); }));
    }
    EXPECT_EQ(readyRead.count(), 0);
    EXPECT_EQ(serial->bytesAvailable(), 0);
    EXPECT_LE(available.count(), 3);
}

TEST_F(ComPortTest, NothingIsLostWhenTheHandlerLeavesBytesWaiting)
{
    ASSERT_TRUE(port.Open());
    QByteArray sent;
    for (int i = 0; i < 10000; ++i)
        sent.append(char(i * 7));
    line.Write(sent);
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == sent.size(); }));
    EXPECT_EQ(TakeAll(port), sent);
}

// Input nobody reads is bounded: past the limit the oldest bytes go and are counted, the newest stay.
TEST_F(ComPortTest, UnreadInputIsBoundedDroppingTheOldest)
{
    ASSERT_TRUE(port.Open());
    QByteArray sent;
    for (int i = 0; i < ComPort::kInBufferLimit + 5000; ++i)
        sent.append(char(i * 13));
    line.Write(sent);
    ASSERT_TRUE(WaitFor([&] { return port.DroppedInput() == 5000u; }));
    EXPECT_EQ(port.InBuffUsed(), ComPort::kInBufferLimit);
    EXPECT_EQ(TakeAll(port), sent.right(ComPort::kInBufferLimit));
    line.Write(Bytes({1, 2}));
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 2; }));
    EXPECT_EQ(port.DroppedInput(), 5000u);
}

TEST_F(ComPortTest, DataAvailableFollowsNewBytesAfterADrain)
{
    ASSERT_TRUE(port.Open());
    int events = 0;
    QByteArray got;
    QObject::connect(&port, &ComPort::DataAvailable, [&](ComPort* p) {
        ++events;
        got += TakeAll(*p);
    });
    line.Write(Bytes({1, 2, 3}));
    ASSERT_TRUE(WaitFor([&] { return got.size() == 3; }));
    line.Write(Bytes({4, 5}));
    ASSERT_TRUE(WaitFor([&] { return got.size() == 5; }));
    EXPECT_EQ(got, Bytes({1, 2, 3, 4, 5}));
    EXPECT_GE(events, 2);
}

TEST_F(ComPortTest, GetBlockNeverReadsPastTheWaitingBytes)
{
    ASSERT_TRUE(port.Open());
    line.Write(Bytes({0xAA, 0xBB}));
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 2; }));
    uint8_t buffer[8] = {0, 0, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    port.GetBlock(buffer, 8);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0xBB);
    EXPECT_EQ(buffer[2], 0x55);
    port.GetBlock(buffer, -3);
    EXPECT_EQ(port.InBuffUsed(), 0);
}

TEST_F(ComPortTest, OutputBufferFreeSpaceAndFlush)
{
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.OutBuffFree(), ComPort::kOutBufferSize);
    // No event loop runs in between, so the bytes are still queued.
    Put(port, QByteArray(100, 'x'));
    EXPECT_EQ(port.OutBuffFree(), ComPort::kOutBufferSize - 100);
    port.FlushOutBuffer();
    EXPECT_EQ(port.OutBuffFree(), ComPort::kOutBufferSize);
    Put(port, QByteArray(5000, 'y'));
    EXPECT_EQ(port.OutBuffFree(), 0);
    port.FlushOutBuffer();

    Put(port, Bytes({0x02, 0x01, 0x04, 0xF9}));
    EXPECT_EQ(line.ReadAtLeast(4), Bytes({0x02, 0x01, 0x04, 0xF9})) << "flushed bytes must not go out";
}

TEST_F(ComPortTest, ClosedPortDropsWritesAndReadsNothing)
{
    line.Write(Bytes({1, 2, 3}));
    Put(port, Bytes({9, 9}));
    port.PutChar(9);
    port.FlushOutBuffer();
    SpinFor(20);
    EXPECT_EQ(port.InBuffUsed(), 0);
    EXPECT_EQ(port.GetLineError(), 0);
    EXPECT_EQ(port.OutBuffFree(), ComPort::kOutBufferSize);
    uint8_t b = 0x77;
    port.GetBlock(&b, 1);
    EXPECT_EQ(b, 0x77);
}

TEST_F(ComPortTest, PtyHasNoLineErrors)
{
    ASSERT_TRUE(port.Open());
    line.Write(Bytes({0x15, 0x03, 0x01, 0x01, 0xE6}));
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 5; }));
    EXPECT_EQ(port.GetLineError(), 0);
}

TEST_F(ComPortTest, VanishingDeviceFailsOnceAndClosesThePort)
{
    ASSERT_TRUE(port.Open());
    QSignalSpy failed(&port, &ComPort::Failed);
    QSignalSpy available(&port, &ComPort::DataAvailable);
    line.CloseAll();
    ASSERT_TRUE(WaitFor([&] { return failed.count() > 0; }));
    SpinFor(200);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(failed.at(0).at(0).value<ComPort*>(), &port);
    // The bench's requests just go nowhere now.
    Put(port, Bytes({0x02, 0x01, 0x04, 0xF9}));
    EXPECT_EQ(port.InBuffUsed(), 0);
    EXPECT_EQ(available.count(), 0);
}

TEST_F(ComPortTest, VanishingDeviceWhileSendingFailsOnce)
{
    ASSERT_TRUE(port.Open());
    QSignalSpy failed(&port, &ComPort::Failed);
    line.CloseAll();
    for (int i = 0; i < 50; ++i)
        Put(port, QByteArray(100, char(i)));
    ASSERT_TRUE(WaitFor([&] { return failed.count() > 0; }));
    SpinFor(100);
    EXPECT_EQ(failed.count(), 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(ComPortTest, ReopensAfterTheDeviceCameBack)
{
    ASSERT_TRUE(port.Open());
    QSignalSpy failed(&port, &ComPort::Failed);
    line.CloseAll();
    ASSERT_TRUE(WaitFor([&] { return failed.count() == 1; }));

    QFile::remove(devices.Path() + QStringLiteral("/COM1"));
    Pty& replugged = devices.AddPty(QStringLiteral("COM1"));
    ASSERT_TRUE(port.Open());
    port.PutChar(0x42);
    EXPECT_EQ(replugged.ReadAtLeast(1), QByteArray("\x42"));
    EXPECT_EQ(failed.count(), 1);
}

// A headless run opens a lost port again by itself: only when the name leads to the entry it had,
// never to the /dev/ttyS device a missing COMn link falls back to.
TEST_F(ComPortTest, ReopenWaitsForTheSameDeviceEntry)
{
    EXPECT_FALSE(port.Reopen()) << "a port never opened has nothing to go back to";
    ASSERT_TRUE(port.Open());
    QSignalSpy failed(&port, &ComPort::Failed);
    line.CloseAll();
    ASSERT_TRUE(WaitFor([&] { return failed.count() == 1; }));

    QFile::remove(devices.Path() + QStringLiteral("/COM1"));
    EXPECT_FALSE(port.Reopen());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().isEmpty());

    Pty& replugged = devices.AddPty(QStringLiteral("COM1"));
    ASSERT_TRUE(port.Reopen()) << qPrintable(port.LastError());
    port.PutChar(0x42);
    EXPECT_EQ(replugged.ReadAtLeast(1), QByteArray("\x42"));
    EXPECT_TRUE(port.Reopen()) << "an open port stays as it is";
}

TEST_F(ComPortTest, BaudChangeReachesAnOpenPort)
{
    port.SetBaud(57600);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(line.OutputSpeed(), speed_t(B57600));
    port.SetBaud(115200);
    EXPECT_EQ(port.Baud(), 115200);
    EXPECT_EQ(line.OutputSpeed(), speed_t(B115200));
}

TEST_F(ComPortTest, NewDeviceNumberMovesAnOpenPortAndKeepsItsTrace)
{
    Pty& other = devices.AddPty(QStringLiteral("COM2"));
    ASSERT_TRUE(port.Open());
    port.SetTraceName(QStringLiteral("moved.trc"));
    port.SetTracing(true);
    Put(port, Bytes({0x02, 0x01, 0x04, 0xF9}));
    EXPECT_EQ(line.ReadAtLeast(4).size(), 4);

    port.SetComNumber(2);
    EXPECT_EQ(port.ComNumber(), 2);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Tracing());
    EXPECT_EQ(port.TraceCount(), 4);
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM1"))) << "the old device is given up";
    Put(port, Bytes({0x22, 0x01, 0x26, 0xB7}));
    EXPECT_EQ(other.ReadAtLeast(4), Bytes({0x22, 0x01, 0x26, 0xB7}));
    port.SetTracing(false);
}

TEST_F(ComPortTest, NewDeviceNumberOnAClosedPortOnlySelects)
{
    devices.AddPty(QStringLiteral("COM2"));
    port.SetComNumber(2);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(ComPort::TestDevice(QStringLiteral("COM2")));
    EXPECT_TRUE(ComPort::TestDevice(QStringLiteral("COM1")));
}

// Trace of the traffic

class TraceTest : public ComPortTest {
protected:
    TempWorkingDir work;
};

TEST_F(TraceTest, OnThenOffWritesNoFile)
{
    ASSERT_TRUE(port.Open());
    port.SetTraceName(QStringLiteral("TEST.TRC"));
    port.SetTracing(true);
    Put(port, Bytes({0x02, 0x01, 0x04, 0xF9}));
    port.SetTracing(false);
    port.Close();
    EXPECT_FALSE(QFile::exists(work.FilePath(QStringLiteral("TEST.TRC"))));
}

TEST_F(TraceTest, CloseWritesBothDirectionsInHexThenTracingIsOff)
{
    ASSERT_TRUE(port.Open());
    port.SetTraceName(QStringLiteral("TEST.TRC"));
    port.SetTraceSize(10000);
    port.SetTracing(true);
    Put(port, Bytes({0x02, 0x01, 0x04, 0xF9}));
    line.Write(Bytes({0x06, 0x04, 0x00, 0xF6}));
    ASSERT_TRUE(WaitFor([&] { return port.InBuffUsed() == 4; }));
    port.PutChar(0x01);
    port.Close();

    QFile file(work.FilePath(QStringLiteral("TEST.TRC")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Tx: 02 01 04 F9\nRx: 06 04 00 F6\nTx: 01\n"));
    EXPECT_FALSE(port.Tracing());

    // A later close with the trace off leaves the file alone.
    file.close();
    QFile::remove(file.fileName());
    ASSERT_TRUE(port.Open());
    port.Close();
    EXPECT_FALSE(QFile::exists(file.fileName()));
}

TEST_F(TraceTest, FullRingDropsTheOldestAndLongRunsWrap)
{
    ASSERT_TRUE(port.Open());
    port.SetTraceName(QStringLiteral("ring.trc"));
    port.SetTraceSize(20);
    port.SetTracing(true);
    QByteArray bytes;
    for (int i = 0; i < 24; ++i)
        bytes.append(char(i));
    Put(port, bytes);
    EXPECT_EQ(port.TraceCount(), 20);
    port.Close();

    QFile file(work.FilePath(QStringLiteral("ring.trc")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Tx: 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13\n"
                                         "Tx: 14 15 16 17\n"));
}
