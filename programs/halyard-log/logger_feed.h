#pragma once
#include <QString>
#include <QStringList>

#include <memory>

#include "feed/feed_settings.h"

class FeedPublisher;
class HeadlessLogger;

// The row feed options of halyard-log. They are taken out of the argument
// list before the logger's own options are read.
struct FeedOptionsResult {
    FeedSettings Settings; // Enabled when --mqtt-host was given
    QString Error;         // empty when the options were good
};

// Removes --mqtt-host, --mqtt-port, --mqtt-prefix, --station, --mqtt-user,
// --mqtt-password-file, --mqtt-ca, --mqtt-cert, --mqtt-key and --queue (each
// with its value, "--opt value" or "--opt=value") from args. The password is
// read from the first line of its file, so it shows in no process list.
FeedOptionsResult TakeFeedOptions(QStringList& args);

// The --help lines of these options.
QString FeedOptionsUsage();

// Starts the feed, owned by the logger's station, and hands it the logger's rows and link
// status lines; none when the settings leave the feed off.
FeedPublisher* AttachFeed(HeadlessLogger& logger, const FeedSettings& settings);
