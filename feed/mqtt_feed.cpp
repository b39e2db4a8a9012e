#include "feed/mqtt_feed.h"

#include <mosquitto.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <unistd.h>

namespace {
std::once_flag libraryOnce;

QString BrokerName(const FeedSettings& s)
{
    return QStringLiteral("%1:%2").arg(s.Host.trimmed()).arg(s.Port);
}
} // namespace

MqttFeed::MqttFeed(const FeedSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), queue_(static_cast<size_t>(std::max(settings.QueueSize, 1)))
{
    stateTopic_ = (settings_.TopicBase() + QStringLiteral("/state")).toStdString();
    std::call_once(libraryOnce, [] { mosquitto_lib_init(); });
}

MqttFeed::~MqttFeed() { Stop(); }

void MqttFeed::Start()
{
    if (thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = false;
    }
    thread_ = std::thread([this] { Run(); });
}

void MqttFeed::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void MqttFeed::Publish(FeedMessage message)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.Push(std::move(message));
    }
    // The client thread polls its socket in short steps; no wake-up call is needed here.
}

MqttFeed::Stats MqttFeed::Statistics() const
{
    Stats s;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        s.Queued = queue_.Size();
        s.Dropped = queue_.Dropped();
    }
    s.Connected = connected_.load();
    s.InFlight = inFlightCount_.load();
    s.Acknowledged = acknowledged_.load();
    s.Connects = connects_.load();
    return s;
}

void MqttFeed::Report(const QString& message)
{
    if (reported_)
        return;
    reported_ = true;
    emit Refused(message);
}

void MqttFeed::OnConnect(mosquitto* m, void* p, int rc)
{
    auto* self = static_cast<MqttFeed*>(p);
    if (rc != 0) {
        const QString broker = BrokerName(self->settings_);
        if (rc == 4)
            self->Report(QStringLiteral("The MQTT broker %1 refused the login: bad user name or password.").arg(broker));
        else if (rc == 5)
            self->Report(QStringLiteral("The MQTT broker %1 refused the login: not authorised.").arg(broker));
        else
            self->Report(QStringLiteral("The MQTT broker %1 refused the connection (%2).")
                             .arg(broker, QString::fromUtf8(mosquitto_connack_string(rc))));
        return;
    }
    self->reported_ = false;
    self->tlsFailed_ = false;
    self->connected_ = true;
    ++self->connects_;
    mosquitto_publish(m, nullptr, self->stateTopic_.c_str(), 6, "online", 1, true);
}

void MqttFeed::OnDisconnect(mosquitto*, void* p, int)
{
    auto* self = static_cast<MqttFeed*>(p);
    self->connected_ = false;
    self->socketOpen_ = false;
}

void MqttFeed::OnPublish(mosquitto*, void* p, int mid)
{
    auto* self = static_cast<MqttFeed*>(p);
    if (self->inFlight_.erase(mid)) {
        self->inFlightCount_ = self->inFlight_.size();
        ++self->acknowledged_;
    }
}

void MqttFeed::OnLog(mosquitto*, void* p, int level, const char* text)
{
    // A failed TLS handshake reaches the program only as a log line.
    auto* self = static_cast<MqttFeed*>(p);
    if ((level & MOSQ_LOG_ERR) && text && (std::strstr(text, "OpenSSL") || std::strstr(text, "TLS")))
        self->tlsFailed_ = true;
}

bool MqttFeed::Connect(mosquitto* m)
{
    const QByteArray host = settings_.Host.trimmed().toUtf8();
    // The first attempt sets the broker; later ones keep the client's unacknowledged messages for resending.
    const int rc = attempted_ ? mosquitto_reconnect_async(m)
                              : mosquitto_connect_async(m, host.constData(), settings_.Port, kKeepAliveSeconds);
    attempted_ = true;
    if (rc == MOSQ_ERR_TLS)
        tlsFailed_ = true;
    socketOpen_ = rc == MOSQ_ERR_SUCCESS;
    return socketOpen_;
}

void MqttFeed::Handover(mosquitto* m)
{
    // Order is kept: one consumer, oldest first, and the client sends in the order handed over.
    while (connected_ && inFlight_.size() < static_cast<size_t>(kMaxInFlight)) {
        FeedMessage msg;
        if (retry_) {
            msg = std::move(*retry_);
            retry_.reset();
        } else {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!queue_.Pop(msg))
                return;
        }
        int mid = 0;
        const int rc = mosquitto_publish(m, &mid, msg.Topic.c_str(), static_cast<int>(msg.Payload.size()),
                                         msg.Payload.data(), 1, msg.Retain);
        if (rc != MOSQ_ERR_SUCCESS) {
            // Lost mid-handover: it stays first in line for the next connection.
            retry_ = std::move(msg);
            connected_ = false;
            return;
        }
        inFlight_.insert(mid);
        inFlightCount_ = inFlight_.size();
    }
}

void MqttFeed::Run()
{
    const std::string clientId = ("halyard-" + settings_.StationName() + "-" + QString::number(getpid())).toStdString();
    mosquitto* m = mosquitto_new(clientId.c_str(), true, this);
    if (!m) {
        Report(QStringLiteral("The MQTT client could not be created."));
        return;
    }
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m, kMaxInFlight + 2);
    mosquitto_connect_callback_set(m, OnConnect);
    mosquitto_disconnect_callback_set(m, OnDisconnect);
    mosquitto_publish_callback_set(m, OnPublish);
    mosquitto_log_callback_set(m, OnLog);
    mosquitto_will_set(m, stateTopic_.c_str(), 7, "offline", 1, true);
    if (!settings_.User.isEmpty()) {
        const QByteArray user = settings_.User.toUtf8();
        const QByteArray pass = settings_.Password.toUtf8();
        mosquitto_username_pw_set(m, user.constData(), settings_.Password.isEmpty() ? nullptr : pass.constData());
    }
    bool usable = true;
    if (!settings_.CaFile.isEmpty()) {
        const QByteArray ca = settings_.CaFile.toLocal8Bit();
        const QByteArray cert = settings_.CertFile.toLocal8Bit();
        const QByteArray key = settings_.KeyFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(m, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                                         key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            Report(QStringLiteral("The TLS files of the MQTT feed cannot be used (%1).")
                       .arg(QString::fromUtf8(mosquitto_strerror(rc))));
            usable = false;
        }
    }

    using Clock = std::chrono::steady_clock;
    auto nextAttempt = Clock::now();
    int delayMs = RetryFirstMs;
    auto lastHandover = Clock::now();
    auto backOff = [&] {
        nextAttempt = Clock::now() + std::chrono::milliseconds(delayMs);
        delayMs = std::min(delayMs * 2, RetryMaxMs);
    };

    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stop_)
                break;
            if (!usable || (!socketOpen_ && Clock::now() < nextAttempt)) {
                wake_.wait_until(lock, usable ? nextAttempt : Clock::now() + std::chrono::seconds(3600));
                continue;
            }
        }
        if (!socketOpen_) {
            if (!Connect(m)) {
                if (tlsFailed_)
                    Report(QStringLiteral("The MQTT broker %1 failed the TLS handshake; check the CA, certificate and key files.")
                               .arg(BrokerName(settings_)));
                backOff();
                continue;
            }
        }
        const bool wasConnected = connected_;
        const int rc = mosquitto_loop(m, kHandoverMs, 1);
        if (rc != MOSQ_ERR_SUCCESS) {
            connected_ = false;
            socketOpen_ = false;
            if (tlsFailed_)
                Report(QStringLiteral("The MQTT broker %1 failed the TLS handshake; check the CA, certificate and key files.")
                           .arg(BrokerName(settings_)));
            if (wasConnected)
                delayMs = RetryFirstMs;
            backOff();
            continue;
        }
        if (connected_ && !wasConnected)
            delayMs = RetryFirstMs;
        // Messages go over in batches, every kHandoverMs, or at once while a backlog waits: the
        // acknowledgements then come back in bursts and the thread wakes a few dozen times a
        // second rather than once per row.
        const auto now = Clock::now();
        size_t waiting;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting = queue_.Size();
        }
        if (waiting >= kBacklog || now - lastHandover >= std::chrono::milliseconds(kHandoverMs)) {
            lastHandover = now;
            Handover(m);
        }
    }

    if (connected_) {
        // What is still queued goes out first, within a short grace time, so the rows
        // of the last moments before a stop are not lost.
        const auto until = Clock::now() + std::chrono::milliseconds(kStopGraceMs);
        for (;;) {
            Handover(m);
            bool empty;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                empty = queue_.Empty() && !retry_;
            }
            if ((empty && inFlight_.empty()) || !connected_ || Clock::now() >= until)
                break;
            if (mosquitto_loop(m, 10, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    if (connected_) {
        // A clean stop says so itself; the will is for deaths.
        mosquitto_publish(m, nullptr, stateTopic_.c_str(), 7, "offline", 1, true);
        const auto until = Clock::now() + std::chrono::seconds(1);
        while (Clock::now() < until && mosquitto_want_write(m))
            if (mosquitto_loop(m, 20, 1) != MOSQ_ERR_SUCCESS)
                break;
        mosquitto_disconnect(m);
        mosquitto_loop(m, 20, 1);
    }
    connected_ = false;
    mosquitto_destroy(m);
}
