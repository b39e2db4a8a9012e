#include "station/station.h"

#include "link/com_port.h"
#include "feed/feed_publisher.h"

Station::Station(StationDriver& driver, CalendarClock clock)
    : driver_(driver)
    , clock_(clock.NowSeconds ? clock : CalendarClock::System())
    , rows_(link_.Benches, grid_, clock_)
    , log_(clock_)
    , acquisition_(link_, driver)
{
    for (int k = 0; k < 4; ++k) {
        ports_[size_t(k)] = std::make_unique<ComPort>(k + 1);
        ComPort& port = *ports_[size_t(k)];
        link_.Benches[size_t(k)].Setup(&port);
        connect(&port, &ComPort::DataAvailable, this, [this, k] { link_.PortDataAvailable(k); });
        connect(&port, &ComPort::Failed, this, [this, k] { link_.ReportPortLost(k); });
    }
    link_.SetSwitches(&driver_);
    link_.Subscribe(*this);
    rows_.Log = &log_;
    rows_.StartTime = clock_.NowSeconds();
    rows_.AcceptCounter = 1;
}

Station::~Station()
{
    link_.Unsubscribe(*this);
    link_.SetSwitches(nullptr);
    rows_.Feed = nullptr;
    feed_.reset();
    for (auto& port : ports_)
        port->Close();
}

std::array<ComPort*, 4> Station::Ports()
{
    std::array<ComPort*, 4> ports{};
    for (size_t k = 0; k < 4; ++k)
        ports[k] = ports_[k].get();
    return ports;
}

void Station::SetFeed(std::unique_ptr<FeedPublisher> feed)
{
    rows_.Feed = nullptr;
    feed_ = std::move(feed);
    rows_.Feed = feed_.get();
}

void Station::MakeRow()
{
    if (!driver_.BeforeRow())
        return;
    const int before = log_.LinesWritten();
    rows_.Settings = driver_.RowSettingsNow();
    rows_.AddDataRow();
    driver_.AfterRow(log_.LinesWritten() > before);
}

void Station::ReplyDecoded(int k, ReplyKind kind, const RxFrame&)
{
    if (kind != ReplyKind::DataStatus)
        return;
    rows_.MarkNewData(k);
    if (driver_.MakingRows())
        MakeRow();
}

void Station::StatusShown(int k, const std::string& text, bool error)
{
    if (feed_)
        feed_->LinkStatus(k + 1, text, error);
}
