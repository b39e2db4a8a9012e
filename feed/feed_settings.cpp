#include "feed/feed_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QSettings>

namespace {
bool HasTopicWildcard(const QString& s)
{
    return s.contains(QLatin1Char('+')) || s.contains(QLatin1Char('#')) || s.contains(QChar(0));
}
} // namespace

QString FeedSettings::StationName() const
{
    if (!Station.trimmed().isEmpty())
        return Station.trimmed();
    QString host = QSysInfo::machineHostName();
    host.replace(QLatin1Char('/'), QLatin1Char('_'));
    return host.isEmpty() ? QStringLiteral("station") : host;
}

QString FeedSettings::TopicBase() const
{
    QString prefix = Prefix.trimmed();
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    return prefix.isEmpty() ? StationName() : prefix + QLatin1Char('/') + StationName();
}

QStringList FeedSettings::Problems() const
{
    QStringList p;
    const QString host = Host.trimmed();
    if (host.isEmpty())
        p << QStringLiteral("Broker host is empty.");
    else if (host.contains(QLatin1Char(' ')) || host.contains(QLatin1Char('/')))
        p << QStringLiteral("Broker host \"%1\" is not a host name or address.").arg(host);
    if (Port < 1 || Port > 65535)
        p << QStringLiteral("Broker port %1 is outside 1 to 65535.").arg(Port);
    if (HasTopicWildcard(Prefix) || Prefix.startsWith(QLatin1Char('$')))
        p << QStringLiteral("Topic prefix must not hold '+' or '#' nor start with '$'.");
    const QString station = Station.trimmed();
    if (HasTopicWildcard(station) || station.contains(QLatin1Char('/')))
        p << QStringLiteral("Station name must not hold '/', '+' or '#'.");
    if (QueueSize < kMinQueue || QueueSize > kMaxQueue)
        p << QStringLiteral("Queue size %1 is outside %2 to %3.").arg(QueueSize).arg(kMinQueue).arg(kMaxQueue);
    if (User.isEmpty() && !Password.isEmpty())
        p << QStringLiteral("A password needs a user name.");
    if (CertFile.isEmpty() != KeyFile.isEmpty())
        p << QStringLiteral("Client certificate and key file go together.");
    if (!CertFile.isEmpty() && CaFile.isEmpty())
        p << QStringLiteral("A client certificate needs the CA file too.");
    for (const QString& f : {CaFile, CertFile, KeyFile})
        if (!f.isEmpty() && !QFileInfo(f).isReadable())
            p << QStringLiteral("TLS file \"%1\" cannot be read.").arg(f);
    return p;
}

QString FeedSettingsPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/halyard/feed.ini");
}

FeedSettings LoadFeedSettings(const QString& path, QStringList* problems)
{
    FeedSettings s;
    if (!QFileInfo::exists(path))
        return s;
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        if (problems)
            *problems << QStringLiteral("Feed settings file \"%1\" cannot be read.").arg(path);
        return s;
    }
    ini.beginGroup(QStringLiteral("feed"));
    auto text = [&](const char* key, QString& field) { field = ini.value(QLatin1String(key), field).toString(); };
    auto number = [&](const char* key, int& field) {
        if (!ini.contains(QLatin1String(key)))
            return;
        bool ok = false;
        const int v = ini.value(QLatin1String(key)).toString().trimmed().toInt(&ok);
        if (ok)
            field = v;
        else if (problems)
            *problems << QStringLiteral("Feed setting %1 is not a whole number.").arg(QLatin1String(key));
    };
    const QString enabled = ini.value(QStringLiteral("enabled"), QStringLiteral("false")).toString().trimmed().toLower();
    s.Enabled = enabled == QLatin1String("true") || enabled == QLatin1String("1") || enabled == QLatin1String("yes");
    text("host", s.Host);
    number("port", s.Port);
    text("prefix", s.Prefix);
    text("station", s.Station);
    text("user", s.User);
    text("password", s.Password);
    text("ca_file", s.CaFile);
    text("cert_file", s.CertFile);
    text("key_file", s.KeyFile);
    number("queue_size", s.QueueSize);
    ini.endGroup();
    return s;
}

bool SaveFeedSettings(const FeedSettings& s, const QString& path, QString* error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("Cannot create the folder of \"%1\".").arg(path);
        return false;
    }
    {
        // Created owner-only before anything is written into it.
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("feed"));
    ini.setValue(QStringLiteral("enabled"), s.Enabled ? QStringLiteral("true") : QStringLiteral("false"));
    ini.setValue(QStringLiteral("host"), s.Host);
    ini.setValue(QStringLiteral("port"), s.Port);
    ini.setValue(QStringLiteral("prefix"), s.Prefix);
    ini.setValue(QStringLiteral("station"), s.Station);
    ini.setValue(QStringLiteral("user"), s.User);
    ini.setValue(QStringLiteral("password"), s.Password);
    ini.setValue(QStringLiteral("ca_file"), s.CaFile);
    ini.setValue(QStringLiteral("cert_file"), s.CertFile);
    ini.setValue(QStringLiteral("key_file"), s.KeyFile);
    ini.setValue(QStringLiteral("queue_size"), s.QueueSize);
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\".").arg(path);
        return false;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}
