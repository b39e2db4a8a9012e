#include "programs/halyard-log/logger_feed.h"

#include "feed/feed_publisher.h"
#include "programs/halyard-log/headless_logger.h"

#include <QFile>

#include <cstdio>

FeedOptionsResult TakeFeedOptions(QStringList& args)
{
    FeedOptionsResult r;
    FeedSettings& s = r.Settings;
    QStringList rest;
    bool hostGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString arg = args[i];
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        static const QStringList kNames = {
            QStringLiteral("--mqtt-host"), QStringLiteral("--mqtt-port"), QStringLiteral("--mqtt-prefix"),
            QStringLiteral("--station"), QStringLiteral("--mqtt-user"), QStringLiteral("--mqtt-password-file"),
            QStringLiteral("--mqtt-ca"), QStringLiteral("--mqtt-cert"), QStringLiteral("--mqtt-key"), QStringLiteral("--queue")};
        if (!kNames.contains(name)) {
            rest << arg;
            continue;
        }
        QString value;
        if (arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            r.Error = QStringLiteral("%1 needs a value.").arg(name);
            return r;
        }
        auto number = [&](int& field) {
            bool ok = false;
            field = value.trimmed().toInt(&ok);
            if (!ok)
                r.Error = QStringLiteral("%1 needs a whole number, not \"%2\".").arg(name, value);
        };
        if (name == QLatin1String("--mqtt-host")) {
            s.Host = value.trimmed();
            hostGiven = true;
        } else if (name == QLatin1String("--mqtt-port")) {
            number(s.Port);
        } else if (name == QLatin1String("--mqtt-prefix")) {
            s.Prefix = value;
        } else if (name == QLatin1String("--station")) {
            s.Station = value;
        } else if (name == QLatin1String("--mqtt-user")) {
            s.User = value;
        } else if (name == QLatin1String("--mqtt-password-file")) {
            QFile f(value);
            if (!f.open(QIODevice::ReadOnly)) {
                r.Error = QStringLiteral("Password file \"%1\" cannot be read.").arg(value);
                return r;
            }
            s.Password = QString::fromUtf8(f.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        } else if (name == QLatin1String("--mqtt-ca")) {
            s.CaFile = value;
        } else if (name == QLatin1String("--mqtt-cert")) {
            s.CertFile = value;
        } else if (name == QLatin1String("--mqtt-key")) {
            s.KeyFile = value;
        } else if (name == QLatin1String("--queue")) {
            number(s.QueueSize);
        }
        if (!r.Error.isEmpty())
            return r;
    }
    args = rest;
    if (!hostGiven) {
        // Feed options without a broker are a mistake, not a silent no-op.
        if (s.Port != FeedSettings{}.Port || !s.User.isEmpty() || !s.CaFile.isEmpty() || !s.Station.isEmpty() ||
            s.Prefix != FeedSettings{}.Prefix || !s.CertFile.isEmpty() || !s.KeyFile.isEmpty() ||
            s.QueueSize != FeedSettings{}.QueueSize || !s.Password.isEmpty())
            r.Error = QStringLiteral("The feed options need --mqtt-host.");
        return r;
    }
    s.Enabled = true;
    const QStringList problems = s.Problems();
    if (!problems.isEmpty())
        r.Error = problems.join(QLatin1Char(' '));
    return r;
}

QString FeedOptionsUsage()
{
    return QStringLiteral(
        "Row feed (off unless --mqtt-host is given):\n"
        "  --mqtt-host HOST          publish every row to this MQTT broker\n"
        "  --mqtt-port N             broker port (1883)\n"
        "  --mqtt-prefix P           topic prefix (halyard): P/STATION/bench<k>/row, .../status, P/STATION/state\n"
        "  --station NAME            station name (the host name)\n"
        "  --mqtt-user USER          log in as USER\n"
        "  --mqtt-password-file F    the password, first line of F\n"
        "  --mqtt-ca F, --mqtt-cert F, --mqtt-key F   TLS: CA file, client certificate and key\n"
        "  --queue N                 messages held while the broker is away (10000); the oldest go first\n");
}

FeedPublisher* AttachFeed(HeadlessLogger& logger, const FeedSettings& settings)
{
    if (!settings.Enabled)
        return nullptr;
    auto feed = std::make_unique<FeedPublisher>(settings);
    QObject::connect(feed.get(), &FeedPublisher::Refused, feed.get(), [](const QString& text) {
        std::fprintf(stderr, "halyard-log: %s\n", text.toLocal8Bit().constData());
    });
    logger.SetFeed(std::move(feed));
    return logger.Feed();
}
