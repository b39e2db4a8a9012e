#include "sim/sim_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace sim;
using Bytes = std::vector<uint8_t>;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "sim_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return app;
}

// Opens the host side the way any program would: plain POSIX, raw line.
int OpenHost(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

// Runs the event loop until `want` bytes came in or the time is up.
Bytes ReadFor(int fd, size_t want, int ms)
{
    Bytes got;
    QDeadlineTimer deadline(ms);
    while (got.size() < want && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        uint8_t buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.insert(got.end(), buf, buf + n);
    }
    return got;
}

class SimPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        ASSERT_TRUE(dir.isValid());
    }
    SimServerConfig Config(int benches)
    {
        SimServerConfig c;
        c.devicesDir = dir.path() + "/devices";
        c.benches = benches;
        return c;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SimPtyTest, SystemIdOverARealPty)
{
    SimServer server(Config(2));
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    ASSERT_EQ(server.Count(), 2);
    const QString com2 = dir.path() + "/devices/COM2";
    EXPECT_TRUE(QFileInfo(com2).isSymLink());
    EXPECT_EQ(QFileInfo(com2).symLinkTarget(), server.Link(1)->SlavePath());

    const int fd = OpenHost(com2);
    ASSERT_GE(fd, 0);
    const uint8_t request[] = {0x02, 0x01, 0x04, 0xF9};
    ASSERT_EQ(::write(fd, request, sizeof request), 4);
    const Bytes reply = ReadFor(fd, 38, 3000);
    ASSERT_EQ(reply.size(), 38u);
    EXPECT_EQ(reply[0], 0x06);
    EXPECT_EQ(reply[1], 0x04);
    EXPECT_EQ(reply[2], 34);
    uint8_t sum = 0;
    for (uint8_t b : reply)
        sum = uint8_t(sum + b);
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(std::string(reply.begin() + 3, reply.begin() + 9), "KS1002"); // bench 2

    // The host closes and opens the port again: the bench is still there.
    ::close(fd);
    const int again = OpenHost(com2);
    ASSERT_GE(again, 0);
    ASSERT_EQ(::write(again, request, sizeof request), 4);
    EXPECT_EQ(ReadFor(again, 38, 3000).size(), 38u);
    ::close(again);

    server.Stop();
    EXPECT_FALSE(QFileInfo::exists(com2));
    EXPECT_FALSE(QFileInfo(com2).isSymLink());
}

TEST_F(SimPtyTest, StaleLinkIsReplacedAndStreamsFlowThroughTheEventLoop)
{
    QDir().mkpath(dir.path() + "/devices");
    const QString com1 = dir.path() + "/devices/COM1";
    ASSERT_EQ(::symlink("/nonexistent/pts", com1.toLocal8Bit().constData()), 0);

    SimServer server(Config(1));
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(QFileInfo(com1).symLinkTarget(), server.Link(0)->SlavePath());
    const int fd = OpenHost(com1);
    ASSERT_GE(fd, 0);
    const Bytes request = BuildRequest(0x01, {2, 0});
    ASSERT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
    const Bytes stream = ReadFor(fd, 5 * 20, 3000);
    EXPECT_EQ(stream.size(), 100u);
    EXPECT_GE(server.Link(0)->Bench().RepliesSent(0x01), 5);
    ::close(fd);
}

TEST_F(SimPtyTest, VanishClosesTheLineAndRemovesTheLink)
{
    SimServer server(Config(1));
    ASSERT_TRUE(server.Start());
    SimLink* link = server.Link(0);
    const QString com1 = link->LinkPath();
    const int fd = OpenHost(com1);
    ASSERT_GE(fd, 0);
    bool signalled = false;
    QObject::connect(link, &SimLink::Vanished, [&]() { signalled = true; });
    link->Vanish();
    QDeadlineTimer deadline(2000);
    while (!signalled && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(signalled);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(QFileInfo(com1).isSymLink());
    // The host's open line hangs up: reads fail or report the end.
    uint8_t b;
    const ssize_t n = ::read(fd, &b, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " " << errno;
    ::close(fd);
}

TEST_F(SimPtyTest, SplitPiecesArriveWhole)
{
    SimServerConfig c = Config(1);
    c.faults.splitWrites = true;
    c.faults.noiseNext = 3;
    SimServer server(c);
    ASSERT_TRUE(server.Start());
    const int fd = OpenHost(server.Link(0)->LinkPath());
    ASSERT_GE(fd, 0);
    const Bytes request = BuildRequest(0x06, {1, 0});
    ASSERT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
    QDeadlineTimer deadline(3000);
    while (server.Link(0)->Bench().RepliesSent(0x06) == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const size_t total = 34 + server.Link(0)->Bench().NoiseBytesSent();
    const Bytes got = ReadFor(fd, total, 3000);
    ASSERT_EQ(got.size(), total);
    EXPECT_EQ(Bytes(got.end() - 34, got.end()), server.Link(0)->Bench().Replies().back().frame);
    ::close(fd);
}

// A pulled and replugged adapter: the link goes, then comes back at the same path to a new line on
// which a fresh bench answers (nothing streams until asked again).
TEST_F(SimPtyTest, VanishForComesBackAtTheSamePathWithAFreshBench)
{
    SimServer server(Config(1));
    ASSERT_TRUE(server.Start());
    SimLink* link = server.Link(0);
    const QString com1 = link->LinkPath();
    int vanished = 0, back = 0;
    QObject::connect(link, &SimLink::Vanished, [&]() { ++vanished; });
    QObject::connect(link, &SimLink::CameBack, [&]() { ++back; });
    link->Bench().Feed(BuildRequest(0x01, {2, 0}));
    ASSERT_TRUE(link->Bench().Streaming(0x01));

    link->VanishFor(200);
    QDeadlineTimer gone(2000);
    while (vanished == 0 && !gone.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(vanished, 1);
    EXPECT_FALSE(QFileInfo(com1).exists());
    EXPECT_EQ(back, 0);

    QDeadlineTimer returns(3000);
    while (back == 0 && !returns.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(back, 1);
    EXPECT_EQ(vanished, 1);
    EXPECT_TRUE(link->IsOpen());
    EXPECT_TRUE(QFileInfo(com1).isSymLink());
    EXPECT_FALSE(link->Bench().Vanished());
    EXPECT_FALSE(link->Bench().Streaming(0x01));

    const int fd = OpenHost(com1);
    ASSERT_GE(fd, 0);
    const Bytes request = BuildRequest(0x04, {});
    ASSERT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
    const Bytes got = ReadFor(fd, 38, 3000);
    ASSERT_EQ(got.size(), 38u);
    EXPECT_EQ(got[0], 0x06);
    EXPECT_EQ(got[1], 0x04);
    ::close(fd);
}
