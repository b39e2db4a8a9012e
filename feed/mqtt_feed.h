#pragma once
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "feed/bounded_queue.h"
#include "feed/feed_settings.h"

struct mosquitto;

// One message for the broker.
struct FeedMessage {
    std::string Topic;
    std::string Payload;
    bool Retain = false;
};

// The MQTT client of the feed. One thread of its own owns the libmosquitto
// client and does every network step (name lookup, connect, TLS, publish,
// acknowledgements, reconnect with back-off); the user-interface thread only
// appends to the bounded queue under a short lock, so a slow or absent broker
// never holds it up. Messages leave the queue, oldest first, only while fewer
// than kMaxInFlight of them wait for the broker's acknowledgement (QoS 1), so
// the queue, not the client library, holds the backlog and sets its bound.
// "<base>/state" is "online" (retained) while connected; the broker publishes
// the retained last will "offline" when the connection dies, and the feed
// publishes it itself on a clean stop.
class MqttFeed : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxInFlight = 128;
    static constexpr int kKeepAliveSeconds = 20;
    // Batching: queued messages are handed over every kHandoverMs, or at once
    // when at least kBacklog wait.
    static constexpr int kHandoverMs = 20;
    static constexpr size_t kBacklog = 64;
    // Stop() sends what is queued for at most this long before it says "offline".
    static constexpr int kStopGraceMs = 2000;

    explicit MqttFeed(const FeedSettings& settings, QObject* parent = nullptr);
    ~MqttFeed() override; // Stop()

    // Starts the client thread; returns at once.
    void Start();
    // While connected, sends what is queued (for at most kStopGraceMs), then
    // publishes "offline", disconnects and ends the thread.
    void Stop();

    // Appends a message (QoS 1). Never waits on the network.
    void Publish(FeedMessage message);

    struct Stats {
        bool Connected = false;
        size_t Queued = 0;      // in our queue, not yet handed to the client
        size_t InFlight = 0;    // handed over, acknowledgement awaited
        uint64_t Dropped = 0;   // oldest messages dropped by a full queue
        uint64_t Acknowledged = 0;
        uint64_t Connects = 0;  // successful connections so far
    };
    Stats Statistics() const;

    // Back-off between connection attempts: first and longest wait.
    int RetryFirstMs = 250;
    int RetryMaxMs = 8000;

    const FeedSettings& Settings() const { return settings_; }

signals:
    // The broker refused the login, or TLS failed; sent once until a
    // connection succeeds again. Emitted on the client thread.
    void Refused(const QString& message);

private:
    void Run();
    bool Connect(mosquitto* m);
    void Handover(mosquitto* m);
    void Report(const QString& message);
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);
    static void OnLog(mosquitto*, void* self, int level, const char* text);

    FeedSettings settings_;
    std::string stateTopic_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    BoundedQueue<FeedMessage> queue_;
    bool stop_ = false;

    // Client thread only.
    std::set<int> inFlight_;
    bool socketOpen_ = false;
    bool attempted_ = false;
    std::optional<FeedMessage> retry_;
    bool reported_ = false;
    bool tlsFailed_ = false;

    std::atomic<bool> connected_{false};
    std::atomic<size_t> inFlightCount_{0};
    std::atomic<uint64_t> acknowledged_{0};
    std::atomic<uint64_t> connects_{0};
    std::thread thread_;
};
