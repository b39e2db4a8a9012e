#pragma once
// Pseudo-terminals standing in for bench serial lines, and a temporary devices folder that
// names them COMn (through HALYARD_DEVICES).

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <vector>

// Spins the event loop until the condition holds or the time is up; returns the condition.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(2);
    }
    return true;
}

// Lets queued work run for a while without waiting for anything in particular.
inline void SpinFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QTest::qWait(2);
}

// A raw pty pair. The test plays the bench at the master; the slave is what a ComPort opens.
// The test keeps a slave descriptor open so the line survives the port closing and reopening.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        slaveName_ = QString::fromLocal8Bit(::ptsname(master_));
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (slave_ >= 0 && ::tcgetattr(slave_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave_, TCSANOW, &tio);
        }
    }
    ~Pty() { CloseAll(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Ok() const { return master_ >= 0 && slave_ >= 0; }
    const QString& SlaveName() const { return slaveName_; }
    int SlaveFd() const { return slave_; }

    void Write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                QTest::qWait(1);
        }
    }
    // Everything that reached the master so far (never blocks).
    QByteArray Drain()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            received_.append(buffer, n);
        }
        return received_;
    }
    // Waits until at least n bytes reached the master; returns what did.
    QByteArray ReadAtLeast(qsizetype n, int timeoutMs = 3000)
    {
        WaitFor([&] { return Drain().size() >= n; }, timeoutMs);
        return received_;
    }
    speed_t OutputSpeed() const
    {
        termios tio{};
        ::tcgetattr(slave_, &tio);
        return ::cfgetospeed(&tio);
    }
    void CloseAll()
    {
        if (master_ >= 0)
            ::close(master_);
        if (slave_ >= 0)
            ::close(slave_);
        master_ = slave_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slaveName_;
    QByteArray received_;
};

// A temporary devices folder, made the program's through HALYARD_DEVICES for the test's life.
class DevicesFolder {
public:
    DevicesFolder()
    {
        previous_ = qgetenv("HALYARD_DEVICES");
        hadPrevious_ = qEnvironmentVariableIsSet("HALYARD_DEVICES");
        qputenv("HALYARD_DEVICES", dir_.path().toLocal8Bit());
    }
    ~DevicesFolder()
    {
        if (hadPrevious_)
            qputenv("HALYARD_DEVICES", previous_);
        else
            qunsetenv("HALYARD_DEVICES");
    }
    QString Path() const { return dir_.path(); }

    // Makes COMn a new pty and returns it.
    Pty& AddPty(const QString& comName)
    {
        ptys_.push_back(std::make_unique<Pty>());
        Pty& pty = *ptys_.back();
        EXPECT_TRUE(pty.Ok());
        Link(comName, pty.SlaveName());
        return pty;
    }
    void Link(const QString& comName, const QString& target)
    {
        EXPECT_TRUE(QFile::link(target, dir_.filePath(comName))) << qPrintable(comName);
    }
    // An entry whose device is missing: opening it fails.
    void AddMissing(const QString& comName) { Link(comName, dir_.filePath(QStringLiteral("no-such-tty"))); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
    std::vector<std::unique_ptr<Pty>> ptys_;
};

// Makes a fresh temporary folder the working directory for the test's life.
class TempWorkingDir {
public:
    TempWorkingDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TempWorkingDir() { QDir::setCurrent(previous_); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};
