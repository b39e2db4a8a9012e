#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <set>

#include "support/local_broker.h"
#include "feed/mqtt_feed.h"

namespace {
FeedSettings SettingsFor(int port) { return LoopbackFeed(port); }

FeedMessage Numbered(int n) { return {"t/s1/bench1/row", std::to_string(n), false}; }

std::vector<int> RowNumbers(const std::vector<TestSubscriber::Message>& messages)
{
    std::vector<int> out;
    for (const auto& m : messages)
        if (m.Topic == "t/s1/bench1/row")
            out.push_back(std::stoi(m.Payload));
    return out;
}
} // namespace

TEST(MqttFeed, DeliversInOrderAndSaysOnlineThenOffline)
{
    LocalBroker broker;
    START_BROKER_OR_SKIP(broker);
    TestSubscriber sub(broker.Port, "t/#");
    ASSERT_TRUE(sub.WaitSubscribed());

    MqttFeed feed(SettingsFor(broker.Port));
    feed.Start();
    constexpr int kCount = 2000;
    for (int i = 0; i < kCount; ++i)
        feed.Publish(Numbered(i));
    ASSERT_TRUE(WaitFor([&] { return RowNumbers(sub.Messages()).size() >= size_t(kCount); }, 15000))
        << RowNumbers(sub.Messages()).size();
    std::vector<int> expected(kCount);
    for (int i = 0; i < kCount; ++i)
        expected[size_t(i)] = i;
    EXPECT_EQ(RowNumbers(sub.Messages()), expected);
    ASSERT_TRUE(WaitFor([&] { return feed.Statistics().Acknowledged == uint64_t(kCount); }, 5000));
    const MqttFeed::Stats stats = feed.Statistics();
    EXPECT_TRUE(stats.Connected);
    EXPECT_EQ(stats.Queued, 0u);
    EXPECT_EQ(stats.Dropped, 0u);

    feed.Stop();
    std::vector<std::string> states;
    ASSERT_TRUE(WaitFor([&] {
        states.clear();
        for (const auto& m : sub.Messages())
            if (m.Topic == "t/s1/state")
                states.push_back(m.Payload);
        return states.size() >= 2;
    }, 5000));
    EXPECT_EQ(states, (std::vector<std::string>{"online", "offline"}));
    // Rows and states alike go out with QoS 1 (the subscription asks for 1, so less would show).
    for (const auto& m : sub.Messages())
        EXPECT_EQ(m.Qos, 1) << m.Topic << " " << m.Payload;

    // The state is retained: a late subscriber learns it at once.
    TestSubscriber late(broker.Port, "t/s1/state");
    ASSERT_TRUE(WaitFor([&] { return late.Count() >= 1; }, 5000));
    EXPECT_EQ(late.Messages()[0].Payload, "offline");
    EXPECT_TRUE(late.Messages()[0].Retained);
}

// Rows queued in the last moments before a stop still go out, before "offline".
TEST(MqttFeed, StopSendsWhatIsQueuedFirst)
{
    LocalBroker broker;
    START_BROKER_OR_SKIP(broker);
    TestSubscriber sub(broker.Port, "t/#");
    ASSERT_TRUE(sub.WaitSubscribed());
    MqttFeed feed(SettingsFor(broker.Port));
    feed.Start();
    ASSERT_TRUE(WaitFor([&] { return feed.Statistics().Connected; }, 5000));
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i)
        feed.Publish(Numbered(i));
    feed.Stop();
    ASSERT_TRUE(WaitFor([&] {
        const auto all = sub.Messages();
        return !all.empty() && all.back().Payload == "offline";
    }, 10000));
    std::vector<int> expected(kCount);
    for (int i = 0; i < kCount; ++i)
        expected[size_t(i)] = i;
    EXPECT_EQ(RowNumbers(sub.Messages()), expected);
}

TEST(MqttFeed, RefusedLoginIsReportedOnceThoughRetried)
{
    LocalBroker broker;
    broker.Anonymous = false;
    const QString passwords = broker.Dir.filePath(QStringLiteral("passwords"));
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd"));
    if (!tool.isEmpty()) {
        ASSERT_EQ(QProcess::execute(tool, {QStringLiteral("-c"), QStringLiteral("-b"), passwords, QStringLiteral("halyard"), QStringLiteral("right")}), 0);
        broker.Extra = "password_file " + passwords.toStdString() + "\n";
    }
    START_BROKER_OR_SKIP(broker);

    FeedSettings s = SettingsFor(broker.Port);
    s.User = QStringLiteral("halyard");
    s.Password = QStringLiteral("wrong");
    MqttFeed feed(s);
    feed.RetryFirstMs = 20;
    feed.RetryMaxMs = 40;
    QStringList reports;
    QObject::connect(&feed, &MqttFeed::Refused, [&](const QString& m) { reports << m; });
    feed.Start();
    feed.Publish(Numbered(1));
    // Dozens of attempts in this time; one report.
    WaitFor([] { return false; }, 1500);
    feed.Stop();
    QCoreApplication::processEvents();
    ASSERT_EQ(reports.size(), 1) << reports.join('|').toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("refused the login"))) << reports[0].toStdString();
    EXPECT_FALSE(feed.Statistics().Connected);
    EXPECT_EQ(feed.Statistics().Queued, 1u); // kept for when the login is put right
}

TEST(MqttFeed, MissingTlsFilesAreReportedOnce)
{
    FeedSettings s = SettingsFor(FreeLoopbackPort());
    s.CaFile = QStringLiteral("/nonexistent/ca.pem");
    MqttFeed feed(s);
    QStringList reports;
    QObject::connect(&feed, &MqttFeed::Refused, [&](const QString& m) { reports << m; });
    feed.Start();
    WaitFor([&] { return !reports.isEmpty(); }, 3000);
    WaitFor([] { return false; }, 200);
    feed.Stop();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("TLS"))) << reports[0].toStdString();
}

TEST(MqttFeed, AbsentBrokerNeverHoldsUpThePublisher)
{
    MqttFeed feed(SettingsFor(FreeLoopbackPort()));
    feed.Start();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 20000; ++i)
        feed.Publish(Numbered(i));
    const auto spent = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(spent).count(), 500);
    const MqttFeed::Stats stats = feed.Statistics();
    EXPECT_FALSE(stats.Connected);
    EXPECT_EQ(stats.Queued, size_t(FeedSettings{}.QueueSize));
    EXPECT_EQ(stats.Dropped, uint64_t(20000 - FeedSettings{}.QueueSize));
}

// The broker goes away mid-run and comes back on the same port: what was sent
// before, the newest queued messages within the bound, and everything after
// arrive once each and in order; the dropped ones are exactly the oldest of
// the outage, as many as counted.
TEST(MqttFeed, BrokerOutageKeepsOrderAndCountsDrops)
{
    LocalBroker broker;
    // The subscriber's session must outlive the restart, or what arrives before it is back would be lost to it.
    broker.Extra = "persistence true\npersistence_location " + broker.Dir.path().toStdString() +
                   "/\nmax_queued_messages 100000\n";
    START_BROKER_OR_SKIP(broker);
    auto sub = std::make_unique<TestSubscriber>(broker.Port, "t/s1/bench1/row", "outage-subscriber");
    ASSERT_TRUE(sub->WaitSubscribed());

    FeedSettings s = SettingsFor(broker.Port);
    s.QueueSize = 200;
    MqttFeed feed(s);
    feed.RetryFirstMs = 100;
    feed.RetryMaxMs = 400;
    feed.Start();
    int next = 0;
    for (; next < 100; ++next)
        feed.Publish(Numbered(next));
    ASSERT_TRUE(WaitFor([&] { return sub->Count() >= 100; }, 10000));

    broker.Stop();
    ASSERT_TRUE(WaitFor([&] { return !feed.Statistics().Connected; }, 5000));
    for (; next < 600; ++next)
        feed.Publish(Numbered(next));
    EXPECT_EQ(feed.Statistics().Queued, 200u);
    EXPECT_EQ(feed.Statistics().Dropped, 300u);

    QString error;
    ASSERT_TRUE(broker.Start(&error)) << error.toStdString();
    ASSERT_TRUE(WaitFor([&] { return feed.Statistics().Connected; }, 10000));
    // The backlog goes first; rows after it then find room.
    ASSERT_TRUE(WaitFor([&] { return feed.Statistics().Queued == 0; }, 10000));
    for (; next < 700; ++next)
        feed.Publish(Numbered(next));
    const uint64_t dropped = feed.Statistics().Dropped;
    const size_t expected = size_t(next) - size_t(dropped);
    std::vector<int> got;
    ASSERT_TRUE(WaitFor([&] {
        got = RowNumbers(sub->Messages());
        std::set<int> unique(got.begin(), got.end());
        return unique.size() >= expected;
    }, 15000)) << got.size() << " of " << expected;

    // QoS 1 may repeat a message whose acknowledgement the outage cut off; order holds all the same.
    std::vector<int> once;
    for (int n : got)
        if (once.empty() || n > once.back())
            once.push_back(n);
        else
            EXPECT_TRUE(std::find(once.begin(), once.end(), n) != once.end()) << n << " out of order";
    ASSERT_EQ(once.size(), expected);
    std::vector<int> missing;
    for (int n = 0, i = 0; n < next; ++n) {
        if (size_t(i) < once.size() && once[size_t(i)] == n)
            ++i;
        else
            missing.push_back(n);
    }
    ASSERT_EQ(missing.size(), size_t(dropped));
    // One run: the oldest of those that waited in the queue.
    EXPECT_EQ(dropped, 300u);
    EXPECT_EQ(missing.front(), 100);
    EXPECT_EQ(missing.back(), 399);
}
