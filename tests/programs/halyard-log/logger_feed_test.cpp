#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "programs/halyard-log/logger_feed.h"

namespace {
QStringList Split(const char* line) { return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }
} // namespace

TEST(LoggerFeedOptions, FeedOptionsAreTakenOutAndTheRestKept)
{
    struct Case {
        const char* args;
        const char* rest;
        bool enabled;
        const char* errorHas; // empty: no error
    };
    const Case cases[] = {
        {"--benches 1,2 --log RUN.LOG", "--benches 1,2 --log RUN.LOG", false, ""},
        {"--mqtt-host 127.0.0.1 --benches 1", "--benches 1", true, ""},
        {"--benches 1 --mqtt-host=broker --mqtt-port=1884 --station bay7 --queue 50", "--benches 1", true, ""},
        {"--mqtt-port 1884", "", false, "need --mqtt-host"},
        {"--station bay7 --benches 1", "", false, "need --mqtt-host"},
        {"--mqtt-host h --mqtt-port x", "", false, "whole number"},
        {"--mqtt-host h --mqtt-port 0", "", false, "outside 1 to 65535"},
        {"--mqtt-host h --queue 0", "", false, "Queue size 0"},
        {"--mqtt-host h --station a/b", "", false, "Station name"},
        {"--mqtt-host", "", false, "needs a value"},
        {"--mqtt-host h --mqtt-password-file /nonexistent/pw", "", false, "cannot be read"},
        {"--mqtt-host h --mqtt-cert c.pem", "", false, "go together"},
    };
    for (const Case& c : cases) {
        QStringList args = Split(c.args);
        const FeedOptionsResult r = TakeFeedOptions(args);
        SCOPED_TRACE(c.args);
        if (*c.errorHas) {
            EXPECT_TRUE(r.Error.contains(QLatin1String(c.errorHas))) << r.Error.toStdString();
            continue;
        }
        EXPECT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
        EXPECT_EQ(args, Split(c.rest));
        EXPECT_EQ(r.Settings.Enabled, c.enabled);
    }
}

TEST(LoggerFeedOptions, ValuesReachTheSettingsAndThePasswordComesFromItsFile)
{
    QTemporaryDir dir;
    const QString pw = dir.filePath(QStringLiteral("pw"));
    QFile f(pw);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("s3cret word\r\nsecond line\n");
    f.close();
    QStringList args = {QStringLiteral("--mqtt-host"), QStringLiteral("broker.lab"), QStringLiteral("--mqtt-port"), QStringLiteral("8883"),
                        QStringLiteral("--mqtt-prefix=lab/gas"), QStringLiteral("--station"), QStringLiteral("bay7"),
                        QStringLiteral("--mqtt-user"), QStringLiteral("halyard"), QStringLiteral("--mqtt-password-file"), pw,
                        QStringLiteral("--queue"), QStringLiteral("300")};
    const FeedOptionsResult r = TakeFeedOptions(args);
    ASSERT_TRUE(r.Error.isEmpty()) << r.Error.toStdString();
    EXPECT_TRUE(args.isEmpty());
    EXPECT_EQ(r.Settings.Host, QStringLiteral("broker.lab"));
    EXPECT_EQ(r.Settings.Port, 8883);
    EXPECT_EQ(r.Settings.Prefix, QStringLiteral("lab/gas"));
    EXPECT_EQ(r.Settings.Station, QStringLiteral("bay7"));
    EXPECT_EQ(r.Settings.User, QStringLiteral("halyard"));
    EXPECT_EQ(r.Settings.Password, QStringLiteral("s3cret word"));
    EXPECT_EQ(r.Settings.QueueSize, 300);
}
