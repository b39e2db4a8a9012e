#pragma once
#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "feed/feed_settings.h"
#include "feed/mqtt_feed.h"
#include "rows/row_feed.h"

// The row feed over MQTT: turns rows and link status lines into messages on
// "<prefix>/<station>/bench<k>/row" and ".../status" (retained, sent only when
// the line changes) and hands them to the client. Lives on the user-interface
// thread; building a message and queueing it is all it does there.
class FeedPublisher : public QObject, public IRowFeed {
    Q_OBJECT
public:
    explicit FeedPublisher(const FeedSettings& settings, QObject* parent = nullptr);
    ~FeedPublisher() override;

    void Row(const FeedRow& row) override;
    void LinkStatus(int bench, const std::string& text, bool error) override;

    MqttFeed& Client() { return *client_; }
    // "Feed: connected, 0 queued, 0 dropped"
    QString StateText() const;
    // Calendar clock of the status messages.
    std::function<int64_t()> NowSeconds;

    std::string RowTopic(int bench) const;
    std::string StatusTopic(int bench) const;

signals:
    // Login or TLS refused (once until the next successful connection); on this object's thread.
    void Refused(const QString& message);

private:
    std::unique_ptr<MqttFeed> client_;
    std::string base_, station_;
    uint64_t seq_ = 0;
    struct LastStatus {
        bool Sent = false;
        std::string Text;
        bool Error = false;
    };
    std::array<LastStatus, 4> last_{};
};
