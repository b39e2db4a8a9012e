#pragma once
#include <QString>
#include <QStringList>

// Where and how the row feed publishes. Off unless Enabled.
struct FeedSettings {
    bool Enabled = false;
    QString Host = QStringLiteral("localhost");
    int Port = 1883;
    QString Prefix = QStringLiteral("halyard");
    QString Station;  // empty: the machine's host name
    QString User;     // empty: no login
    QString Password;
    QString CaFile;   // set: TLS, checking the broker against this CA
    QString CertFile; // client certificate and its key, both or neither
    QString KeyFile;
    int QueueSize = 10000; // messages held while the broker is away

    static constexpr int kMinQueue = 1;
    static constexpr int kMaxQueue = 1000000;

    // The station name used in topics (Station, or the host name when empty).
    QString StationName() const;
    // "<prefix>/<station>"
    QString TopicBase() const;
    // One clear message per wrong field; empty when the settings can be used.
    QStringList Problems() const;
};

// $XDG_CONFIG_HOME/halyard/feed.ini, or ~/.config/halyard/feed.ini.
QString FeedSettingsPath();

// Reads the file; a missing file gives the defaults (feed off). Values that
// are not numbers where numbers belong are reported in *problems and left at
// their defaults.
FeedSettings LoadFeedSettings(const QString& path, QStringList* problems = nullptr);
// Writes the file (readable by the owner only, as it may hold a password);
// false with *error on failure.
bool SaveFeedSettings(const FeedSettings& settings, const QString& path, QString* error = nullptr);
