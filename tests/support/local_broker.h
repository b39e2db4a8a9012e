#pragma once
// A mosquitto broker of the test's own on a loopback port, and a subscriber
// that collects what it publishes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "feed/feed_settings.h"
#include "loopback_port.h"

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

inline QString BrokerProgram()
{
    QString p = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (p.isEmpty())
        p = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return p;
}

// A switched-on feed to a broker on the loopback port.
inline FeedSettings LoopbackFeed(int port, const char* prefix = "t", const char* station = "s1")
{
    FeedSettings s;
    s.Enabled = true;
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = port;
    s.Prefix = QString::fromLatin1(prefix);
    s.Station = QString::fromLatin1(station);
    return s;
}

// Waits, handling Qt events, until done() or the time is up.
template <class F>
bool WaitFor(F done, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

class LocalBroker {
public:
    QTemporaryDir Dir;
    int Port = 0;
    // Extra configuration lines (password_file, persistence ...).
    std::string Extra;
    bool Anonymous = true;

    bool Start(QString* error)
    {
        const QString program = BrokerProgram();
        if (program.isEmpty()) {
            *error = QStringLiteral("no mosquitto program");
            return false;
        }
        if (Port == 0)
            Port = FreeLoopbackPort();
        const QString conf = Dir.filePath(QStringLiteral("broker.conf"));
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("cannot write the broker configuration");
            return false;
        }
        std::string text = "listener " + std::to_string(Port) + " 127.0.0.1\n";
        text += Anonymous ? "allow_anonymous true\n" : "allow_anonymous false\n";
        // Run as ourselves: as root the broker would switch to its own user.
        if (const passwd* pw = getpwuid(getuid()))
            text += std::string("user ") + pw->pw_name + "\n";
        text += "log_dest none\n";
        text += Extra;
        f.write(text.c_str());
        f.close();
        Process.setProgram(program);
        Process.setArguments({QStringLiteral("-c"), conf});
        Process.setProcessChannelMode(QProcess::MergedChannels);
        // A test program that dies takes its broker with it.
        Process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        Process.start();
        if (!Process.waitForStarted(5000)) {
            *error = QStringLiteral("mosquitto did not start: ") + Process.errorString();
            return false;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Accepts(Port)) {
            if (Process.state() != QProcess::Running || std::chrono::steady_clock::now() > until) {
                *error = QStringLiteral("mosquitto does not accept on port %1: %2").arg(Port).arg(QString::fromLocal8Bit(Process.readAll()));
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    }
    // SIGTERM: the broker saves its persistent state, if any, and ends.
    void Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        if (!Process.waitForFinished(5000)) {
            Process.kill();
            Process.waitForFinished(2000);
        }
    }
    ~LocalBroker() { Stop(); }

private:
    QProcess Process;
};

// Skips the test when the machine has no broker program (the test command installs it).
#define START_BROKER_OR_SKIP(broker)                                                              \
    do {                                                                                          \
        if (BrokerProgram().isEmpty())                                                            \
            GTEST_SKIP() << "the mosquitto program is not installed (Debian package mosquitto)"; \
        QString brokerError;                                                                      \
        ASSERT_TRUE((broker).Start(&brokerError)) << brokerError.toStdString();                   \
    } while (0)

// Collects every message under a topic filter, on libmosquitto's own thread.
class TestSubscriber {
public:
    struct Message {
        std::string Topic, Payload;
        bool Retained;
        int Qos; // as delivered: the lower of the publisher's and this subscription's (1)
    };

    // A persistent session (fixed id, no clean start) keeps what arrives while it is away.
    TestSubscriber(int port, std::string filter, const char* persistentId = nullptr) : Filter(std::move(filter))
    {
        mosquitto_lib_init();
        M = mosquitto_new(persistentId, persistentId == nullptr, this);
        mosquitto_connect_callback_set(M, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<TestSubscriber*>(self);
            if (rc == 0) {
                mosquitto_subscribe(m, nullptr, s->Filter.c_str(), 1);
            }
        });
        mosquitto_subscribe_callback_set(M, [](mosquitto*, void* self, int, int, const int*) {
            auto* s = static_cast<TestSubscriber*>(self);
            std::lock_guard<std::mutex> lock(s->Mutex);
            ++s->Subscriptions;
        });
        mosquitto_message_callback_set(M, [](mosquitto*, void* self, const mosquitto_message* msg) {
            auto* s = static_cast<TestSubscriber*>(self);
            std::lock_guard<std::mutex> lock(s->Mutex);
            s->Received.push_back({msg->topic, std::string(static_cast<const char*>(msg->payload), static_cast<size_t>(msg->payloadlen)),
                                   msg->retain, msg->qos});
        });
        mosquitto_reconnect_delay_set(M, 1, 1, false);
        mosquitto_connect_async(M, "127.0.0.1", port, 30);
        mosquitto_loop_start(M);
    }
    ~TestSubscriber()
    {
        mosquitto_disconnect(M);
        mosquitto_loop_stop(M, false);
        mosquitto_destroy(M);
    }
    bool WaitSubscribed(int count = 1, int ms = 5000)
    {
        return WaitFor([&] {
            std::lock_guard<std::mutex> lock(Mutex);
            return Subscriptions >= count;
        }, ms);
    }
    std::vector<Message> Messages()
    {
        std::lock_guard<std::mutex> lock(Mutex);
        return Received;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(Mutex);
        return Received.size();
    }

private:
    std::string Filter;
    mosquitto* M = nullptr;
    std::mutex Mutex;
    std::vector<Message> Received;
    int Subscriptions = 0;
};
