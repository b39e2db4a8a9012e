// Two program instances, each with two simulated benches and its own station
// name, publish to one broker; a subscriber sees both stations' rows, each
// equal to the lines of that station's own log.
#include "support/local_broker.h"
#include "support/logged_rows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <map>

#include "feed/feed_settings.h"

namespace {

struct Station {
    QString Name;
    QTemporaryDir Dir;
    QProcess Sim, App;
    QString Log() const { return Dir.filePath(QStringLiteral("drive_c/RUN.LOG")); }
};

void StopProcess(QProcess& p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(3000);
    }
}

} // namespace

TEST(TwoStations, BothStationsRowsArriveEqualToTheirLogs)
{
    LocalBroker broker;
    START_BROKER_OR_SKIP(broker);
    TestSubscriber sub(broker.Port, "lab/+/+/row");
    ASSERT_TRUE(sub.WaitSubscribed());

    Station stations[2];
    stations[0].Name = QStringLiteral("stA");
    stations[1].Name = QStringLiteral("stB");
    for (Station& st : stations) {
        const QString devices = st.Dir.filePath(QStringLiteral("devices"));
        const QString driveC = st.Dir.filePath(QStringLiteral("drive_c"));
        const QString config = st.Dir.filePath(QStringLiteral("config"));
        QDir().mkpath(devices);
        QDir().mkpath(driveC);
        FeedSettings s;
        s.Enabled = true;
        s.Host = QStringLiteral("127.0.0.1");
        s.Port = broker.Port;
        s.Prefix = QStringLiteral("lab");
        s.Station = st.Name;
        ASSERT_TRUE(SaveFeedSettings(s, config + QStringLiteral("/halyard/feed.ini")));

        st.Sim.setProcessChannelMode(QProcess::MergedChannels);
        st.Sim.start(QStringLiteral(SIM_PROGRAM), {QStringLiteral("--benches"), QStringLiteral("2"), QStringLiteral("--devices"), devices});
        ASSERT_TRUE(st.Sim.waitForStarted(5000));
        ASSERT_TRUE(WaitFor([&] { return QFile::exists(devices + QStringLiteral("/COM2")); }, 10000));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HALYARD_DEVICES"), devices);
        env.insert(QStringLiteral("HALYARD_DRIVE_C"), driveC);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HALYARD_AUTOSTART"), QStringLiteral("1,2;log=") + st.Log());
        st.App.setProcessEnvironment(env);
        st.App.setWorkingDirectory(st.Dir.path());
        st.App.setProcessChannelMode(QProcess::MergedChannels);
        st.App.start(QStringLiteral(APP_PROGRAM), {});
        ASSERT_TRUE(st.App.waitForStarted(5000));
    }

    auto byStation = [&] {
        std::map<QString, std::vector<QJsonObject>> out;
        for (const auto& m : sub.Messages()) {
            const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(m.Payload)).object();
            out[o.value("station").toString()].push_back(o);
        }
        return out;
    };
    ASSERT_TRUE(WaitFor([&] {
        auto got = byStation();
        return got[QStringLiteral("stA")].size() >= 40 && got[QStringLiteral("stB")].size() >= 40;
    }, 30000)) << "rows seen: " << sub.Count();

    // The benches go; once no more rows come, the programs end.
    for (Station& st : stations)
        StopProcess(st.Sim);
    size_t seen = 0;
    ASSERT_TRUE(WaitFor([&] {
        QThread::msleep(500);
        const size_t now = sub.Count();
        const bool still = now == seen;
        seen = now;
        return still;
    }, 20000));
    // One program is asked to end, the other dies: the broker's last will speaks for that one.
    StopProcess(stations[0].App);
    stations[1].App.kill();
    stations[1].App.waitForFinished(5000);
    // Each station's state is left "offline", retained, however its program ended.
    TestSubscriber states(broker.Port, "lab/+/state");
    std::map<std::string, std::string> state;
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& m : states.Messages())
            if (m.Retained)
                state[m.Topic] = m.Payload;
        return state.size() >= 2 && state["lab/stA/state"] == "offline" && state["lab/stB/state"] == "offline";
    }, 10000)) << state["lab/stA/state"] << " " << state["lab/stB/state"];

    const auto got = byStation();
    for (Station& st : stations) {
        SCOPED_TRACE(st.Name.toStdString());
        QFile f(st.Log());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        // One message per bench with values in each logged line, with the same cells.
        const std::vector<LoggedBench> logged = LoggedBenches(f.readAll(), 2);
        const std::vector<QJsonObject>& rows = got.at(st.Name);
        ASSERT_GE(logged.size(), 40u);
        ASSERT_EQ(rows.size(), logged.size());
        for (size_t i = 0; i < logged.size(); ++i) {
            const QJsonObject& m = rows[i];
            ASSERT_EQ(m.value("bench").toInt(), logged[i].Bench) << "message " << i;
            const QJsonArray values = m.value("values").toArray();
            ASSERT_EQ(values.size(), 4) << "message " << i;
            ASSERT_EQ(logged[i].Cells.size(), 4u) << "message " << i;
            for (int v = 0; v < 4; ++v)
                EXPECT_EQ(values[v].toObject().value("text").toString().toStdString(), logged[i].Cells[size_t(v)])
                    << "message " << i << " bench " << logged[i].Bench;
        }
    }
}

#ifdef LOGGER_PROGRAM
// halyard-log with the feed options: every row it logs arrives, bench by bench,
// with the log's cell texts; SIGTERM ends it cleanly and leaves the state offline.
TEST(TwoStations, HeadlessLoggerRowsArriveEqualToItsLog)
{
    LocalBroker broker;
    START_BROKER_OR_SKIP(broker);
    TestSubscriber sub(broker.Port, "lab/#");
    ASSERT_TRUE(sub.WaitSubscribed());

    QTemporaryDir dir;
    const QString devices = dir.filePath(QStringLiteral("devices"));
    const QString driveC = dir.filePath(QStringLiteral("drive_c"));
    QDir().mkpath(devices);
    QDir().mkpath(driveC);
    QProcess sim, logger;
    sim.start(QStringLiteral(SIM_PROGRAM), {QStringLiteral("--benches"), QStringLiteral("2"), QStringLiteral("--devices"), devices});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(devices + QStringLiteral("/COM2")); }, 10000));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HALYARD_DEVICES"), devices);
    env.insert(QStringLiteral("HALYARD_DRIVE_C"), driveC);
    logger.setProcessEnvironment(env);
    logger.setProcessChannelMode(QProcess::MergedChannels);
    const QString log = driveC + QStringLiteral("/HEADLESS.LOG");
    logger.start(QStringLiteral(LOGGER_PROGRAM),
                 {QStringLiteral("--benches"), QStringLiteral("1,2"), QStringLiteral("--log"), log, QStringLiteral("--mqtt-host"),
                  QStringLiteral("127.0.0.1"), QStringLiteral("--mqtt-port"), QString::number(broker.Port),
                  QStringLiteral("--mqtt-prefix"), QStringLiteral("lab"), QStringLiteral("--station"), QStringLiteral("logbox")});
    ASSERT_TRUE(logger.waitForStarted(5000));
    auto rows = [&] {
        std::vector<QJsonObject> out;
        for (const auto& m : sub.Messages())
            if (m.Topic.find("/row") != std::string::npos)
                out.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(m.Payload)).object());
        return out;
    };
    ASSERT_TRUE(WaitFor([&] { return rows().size() >= 40; }, 30000)) << QString::fromLocal8Bit(logger.readAll()).toStdString();
    // Ended while rows still stream: what it logged up to the end must all arrive.
    logger.terminate();
    ASSERT_TRUE(logger.waitForFinished(10000));
    EXPECT_EQ(logger.exitCode(), 0) << QString::fromLocal8Bit(logger.readAll()).toStdString();
    StopProcess(sim);

    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::vector<LoggedBench> logged = LoggedBenches(f.readAll(), 2);
    std::vector<QJsonObject> got;
    ASSERT_TRUE(WaitFor([&] {
        got = rows();
        return got.size() >= logged.size();
    }, 10000));
    ASSERT_EQ(got.size(), logged.size());
    for (size_t i = 0; i < logged.size(); ++i) {
        const QJsonObject& m = got[i];
        ASSERT_EQ(m.value("bench").toInt(), logged[i].Bench) << "message " << i;
        EXPECT_EQ(m.value("station").toString(), QStringLiteral("logbox"));
        const QJsonArray values = m.value("values").toArray();
        ASSERT_EQ(values.size(), 4);
        ASSERT_EQ(logged[i].Cells.size(), 4u);
        for (int v = 0; v < 4; ++v)
            EXPECT_EQ(values[v].toObject().value("text").toString().toStdString(), logged[i].Cells[size_t(v)])
                << "message " << i << " bench " << logged[i].Bench;
    }
    std::string state;
    for (const auto& m : sub.Messages())
        if (m.Topic == "lab/logbox/state")
            state = m.Payload;
    EXPECT_EQ(state, "offline");
}
#endif
