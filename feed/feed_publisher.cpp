#include "feed/feed_publisher.h"

#include <QDateTime>

#include "feed/row_message.h"

FeedPublisher::FeedPublisher(const FeedSettings& settings, QObject* parent)
    : QObject(parent), client_(std::make_unique<MqttFeed>(settings))
{
    NowSeconds = [] { return static_cast<int64_t>(QDateTime::currentSecsSinceEpoch()); };
    base_ = settings.TopicBase().toStdString();
    station_ = settings.StationName().toStdString();
    // Emitted on the client thread; queued to this object's thread.
    connect(client_.get(), &MqttFeed::Refused, this, &FeedPublisher::Refused, Qt::QueuedConnection);
    client_->Start();
}

FeedPublisher::~FeedPublisher() { client_->Stop(); }

std::string FeedPublisher::RowTopic(int bench) const { return base_ + "/bench" + std::to_string(bench) + "/row"; }
std::string FeedPublisher::StatusTopic(int bench) const { return base_ + "/bench" + std::to_string(bench) + "/status"; }

void FeedPublisher::Row(const FeedRow& row)
{
    if (row.Bench < 1 || row.Bench > 4)
        return;
    client_->Publish({RowTopic(row.Bench), RowMessage(row, station_, ++seq_), false});
}

void FeedPublisher::LinkStatus(int bench, const std::string& text, bool error)
{
    if (bench < 1 || bench > 4)
        return;
    LastStatus& last = last_[bench - 1];
    if (last.Sent && last.Text == text && last.Error == error)
        return;
    last = {true, text, error};
    client_->Publish({StatusTopic(bench), StatusMessage(bench, text, error, NowSeconds(), station_, ++seq_), true});
}

QString FeedPublisher::StateText() const
{
    const MqttFeed::Stats s = client_->Statistics();
    return QStringLiteral("Feed: %1, %2 queued, %3 dropped")
        .arg(s.Connected ? QStringLiteral("connected") : QStringLiteral("connecting"))
        .arg(s.Queued + s.InFlight)
        .arg(s.Dropped);
}
