#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>
#include <functional>

#include "feed/feed_settings.h"

namespace {
struct FeedSettingsTest : ::testing::Test {
    QTemporaryDir Dir;
    QString Path() const { return Dir.filePath(QStringLiteral("halyard/feed.ini")); }
    void WriteRaw(const QString& text)
    {
        QFile::remove(Path());
        SaveFeedSettings(FeedSettings{}, Path());
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
};
} // namespace

TEST_F(FeedSettingsTest, SavedSettingsComeBackAndTheFileIsTheOwnersOnly)
{
    FeedSettings s;
    s.Enabled = true;
    s.Host = QStringLiteral("broker.lab");
    s.Port = 8883;
    s.Prefix = QStringLiteral("lab/gas");
    s.Station = QStringLiteral("bay 7");
    s.User = QStringLiteral("halyard");
    s.Password = QStringLiteral("p=a;s s#w\"d");
    s.CaFile = QStringLiteral("/etc/ca.pem");
    s.CertFile = QStringLiteral("/etc/c.pem");
    s.KeyFile = QStringLiteral("/etc/k.pem");
    s.QueueSize = 250;
    QString error;
    ASSERT_TRUE(SaveFeedSettings(s, Path(), &error)) << error.toStdString();
    QStringList problems;
    const FeedSettings r = LoadFeedSettings(Path(), &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    EXPECT_TRUE(r.Enabled);
    EXPECT_EQ(r.Host, s.Host);
    EXPECT_EQ(r.Port, s.Port);
    EXPECT_EQ(r.Prefix, s.Prefix);
    EXPECT_EQ(r.Station, s.Station);
    EXPECT_EQ(r.User, s.User);
    EXPECT_EQ(r.Password, s.Password);
    EXPECT_EQ(r.CaFile, s.CaFile);
    EXPECT_EQ(r.CertFile, s.CertFile);
    EXPECT_EQ(r.KeyFile, s.KeyFile);
    EXPECT_EQ(r.QueueSize, s.QueueSize);
    EXPECT_EQ(QFile::permissions(Path()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                                            QFileDevice::WriteOther),
              QFileDevice::Permissions{});
}

TEST_F(FeedSettingsTest, NoFileMeansTheFeedIsOff)
{
    QStringList problems;
    const FeedSettings r = LoadFeedSettings(Dir.filePath(QStringLiteral("none.ini")), &problems);
    EXPECT_FALSE(r.Enabled);
    EXPECT_TRUE(problems.isEmpty());
    EXPECT_TRUE(r.Problems().isEmpty());
}

TEST_F(FeedSettingsTest, WordsWhereNumbersBelongAreReportedAndLeftAtDefaults)
{
    WriteRaw(QStringLiteral("[feed]\nenabled=true\nport=eighty\nqueue_size=12x\nhost=h\n"));
    QStringList problems;
    const FeedSettings r = LoadFeedSettings(Path(), &problems);
    EXPECT_EQ(problems.size(), 2) << problems.join('\n').toStdString();
    EXPECT_EQ(r.Port, FeedSettings{}.Port);
    EXPECT_EQ(r.QueueSize, FeedSettings{}.QueueSize);
    EXPECT_EQ(r.Host, QStringLiteral("h"));
}

TEST(FeedSettingsCheck, EachBadValueGetsItsOwnMessage)
{
    QTemporaryDir dir;
    const QString unreadable = dir.filePath(QStringLiteral("missing-ca.pem"));
    struct Case {
        const char* what;
        std::function<void(FeedSettings&)> spoil;
        const char* messageHas;
    };
    const Case cases[] = {
        {"empty host", [](FeedSettings& s) { s.Host = QStringLiteral("  "); }, "host is empty"},
        {"host with a blank", [](FeedSettings& s) { s.Host = QStringLiteral("a b"); }, "not a host name"},
        {"port 0", [](FeedSettings& s) { s.Port = 0; }, "outside 1 to 65535"},
        {"port 65536", [](FeedSettings& s) { s.Port = 65536; }, "outside 1 to 65535"},
        {"wildcard prefix", [](FeedSettings& s) { s.Prefix = QStringLiteral("lab/#"); }, "Topic prefix"},
        {"system prefix", [](FeedSettings& s) { s.Prefix = QStringLiteral("$SYS"); }, "Topic prefix"},
        {"station with a level", [](FeedSettings& s) { s.Station = QStringLiteral("a/b"); }, "Station name"},
        {"station wildcard", [](FeedSettings& s) { s.Station = QStringLiteral("a+"); }, "Station name"},
        {"queue 0", [](FeedSettings& s) { s.QueueSize = 0; }, "Queue size 0"},
        {"queue too big", [](FeedSettings& s) { s.QueueSize = FeedSettings::kMaxQueue + 1; }, "Queue size"},
        {"password alone", [](FeedSettings& s) { s.Password = QStringLiteral("x"); }, "needs a user"},
        {"certificate without key",
         [](FeedSettings& s) {
             s.CaFile = QStringLiteral("/dev/null");
             s.CertFile = QStringLiteral("/dev/null");
         },
         "go together"},
        {"client certificate without CA",
         [](FeedSettings& s) {
             s.CertFile = QStringLiteral("/dev/null");
             s.KeyFile = QStringLiteral("/dev/null");
         },
         "needs the CA"},
        {"missing CA file", [&](FeedSettings& s) { s.CaFile = unreadable; }, "cannot be read"},
    };
    for (const Case& c : cases) {
        FeedSettings s;
        c.spoil(s);
        const QStringList problems = s.Problems();
        ASSERT_EQ(problems.size(), 1) << c.what << ": " << problems.join('|').toStdString();
        EXPECT_TRUE(problems[0].contains(QLatin1String(c.messageHas))) << c.what << ": " << problems[0].toStdString();
    }
}

TEST(FeedSettingsCheck, TopicsJoinPrefixAndStation)
{
    struct Case {
        const char* prefix;
        const char* station;
        const char* base;
    };
    const Case cases[] = {
        {"halyard", "bay7", "halyard/bay7"},
        {"lab/gas/", "bay7", "lab/gas/bay7"}, // a trailing slash does not make an empty level
        {"", "bay7", "bay7"},
        {"lab", "  bay7 ", "lab/bay7"},
    };
    for (const Case& c : cases) {
        FeedSettings s;
        s.Prefix = QString::fromLatin1(c.prefix);
        s.Station = QString::fromLatin1(c.station);
        EXPECT_EQ(s.TopicBase().toStdString(), c.base);
    }
    FeedSettings unnamed;
    EXPECT_FALSE(unnamed.StationName().isEmpty());
    EXPECT_FALSE(unnamed.StationName().contains(QLatin1Char('/')));
}

TEST(FeedSettingsCheck, ConfigFolderFollowsXdgAndIgnoresARelativeOne)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg-x");
    EXPECT_EQ(FeedSettingsPath(), QStringLiteral("/tmp/cfg-x/halyard/feed.ini"));
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_TRUE(FeedSettingsPath().endsWith(QStringLiteral("/.config/halyard/feed.ini")));
    EXPECT_TRUE(FeedSettingsPath().startsWith(QLatin1Char('/')));
    if (saved.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
