#include "sim/sim_link.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

namespace sim {

SimLink::SimLink(const SimBenchConfig& config, QObject* parent) : QObject(parent), bench_(config)
{
    clock_.start();
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &SimLink::OnTick);
    bench_.SetOutput([this](const std::vector<uint8_t>& piece) { OnOutput(piece); });
    bench_.SetVanishHandler([this]() {
        // Out of the bench's own call chain: the pty goes away on the next turn of the loop.
        QTimer::singleShot(0, this, &SimLink::DoVanish);
    });
}

SimLink::~SimLink() { Close(); }

bool SimLink::Open(const QString& linkPath, QString* error)
{
    Close();
    std::string why;
    if (!pty_.Open(linkPath.toStdString(), &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    linkPath_ = linkPath;
    readNotifier_ = new QSocketNotifier(pty_.MasterFd(), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &SimLink::OnReadable);
    writeNotifier_ = new QSocketNotifier(pty_.MasterFd(), QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this]() { Pump(); });
    Schedule();
    return true;
}

void SimLink::Close()
{
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (timer_)
        timer_->stop();
    pieces_.clear();
    pty_.Close();
}

void SimLink::OnReadable()
{
    uint8_t buffer[512];
    bench_.Advance(NowMs());
    for (;;) {
        const size_t n = pty_.Read(buffer, sizeof buffer);
        if (n == 0)
            break;
        bench_.Feed(buffer, n);
        if (!pty_.IsOpen())
            return;
    }
    Schedule();
}

void SimLink::OnTick()
{
    bench_.Advance(NowMs());
    Pump();
    Schedule();
}

void SimLink::OnOutput(const std::vector<uint8_t>& piece)
{
    if (!pty_.IsOpen())
        return;
    if (bench_.Faults().splitWrites && pieceGapMs_ > 0) {
        pieces_.push_back(piece);
        Pump();
        Schedule();
        return;
    }
    if (!pieces_.empty()) { // keep the order behind pieces still waiting
        pieces_.push_back(piece);
        return;
    }
    pty_.Write(piece);
    if (writeNotifier_)
        writeNotifier_->setEnabled(pty_.Queued() > 0);
}

void SimLink::Pump()
{
    if (!pty_.IsOpen())
        return;
    pty_.Flush();
    const int64_t now = NowMs();
    // Pieces must not pile up behind a fast stream: past a backlog they go at once.
    while (pieces_.size() > kPieceBacklog) {
        pty_.Write(pieces_.front());
        pieces_.pop_front();
    }
    while (!pieces_.empty() && now >= nextPieceMs_) {
        pty_.Write(pieces_.front());
        pieces_.pop_front();
        if (bench_.Faults().splitWrites && pieceGapMs_ > 0) {
            nextPieceMs_ = now + pieceGapMs_;
            break;
        }
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(pty_.Queued() > 0);
}

void SimLink::Schedule()
{
    if (!pty_.IsOpen())
        return;
    const int64_t now = NowMs();
    int64_t next = bench_.NextEventMs();
    if (!pieces_.empty())
        next = next < 0 ? nextPieceMs_ : std::min(next, nextPieceMs_);
    // Idle, still look in now and then: a test may have set a knob that is due.
    const int64_t idleMs = 50;
    if (next < 0)
        next = now + idleMs;
    timer_->start(int(std::clamp<int64_t>(next - now, 0, idleMs)));
}

void SimLink::DoVanish()
{
    Close();
    emit Vanished();
    const int64_t backMs = bench_.Faults().comeBackAfterMs;
    if (backMs >= 0)
        QTimer::singleShot(int(std::min<int64_t>(backMs, 24LL * 3600 * 1000)), this, &SimLink::ComeBack);
}

void SimLink::ComeBack()
{
    if (IsOpen() || linkPath_.isEmpty())
        return;
    bench_.Advance(NowMs());
    bench_.Reappear();
    // A new pty: the host sees a new device behind the same path.
    if (Open(linkPath_))
        emit CameBack();
}

} // namespace sim
