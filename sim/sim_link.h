#pragma once
// One emulated bench on its own pty, run by the Qt event loop: a socket
// notifier reads the host's bytes, a timer runs the streams. No threads, so a
// test can run the simulator in the same event loop as the host.

#include "sim/sim_bench.h"
#include "sim/sim_pty.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace sim {

class SimLink : public QObject {
    Q_OBJECT
public:
    explicit SimLink(const SimBenchConfig& config, QObject* parent = nullptr);
    ~SimLink() override;

    // Opens the pty and links linkPath (e.g. <devices>/COM1) to its slave.
    bool Open(const QString& linkPath, QString* error = nullptr);
    // Closes the pty and removes the link.
    void Close();
    bool IsOpen() const { return pty_.IsOpen(); }

    SimBench& Bench() { return bench_; }
    const SimBench& Bench() const { return bench_; }
    QString SlavePath() const { return QString::fromStdString(pty_.SlavePath()); }
    QString LinkPath() const { return linkPath_; }
    // Milliseconds since this link was made: the bench's clock.
    int64_t NowMs() const { return clock_.elapsed(); }
    // Gap between the pieces of a split frame, so the host reads them separately.
    void SetPieceGapMs(int ms) { pieceGapMs_ = ms < 0 ? 0 : ms; }

    // The bench disappears: the pty closes and the link goes, as an unplugged adapter.
    void Vanish() { bench_.Vanish(); }
    // Vanishes and comes back at the same path after backMs, as an adapter
    // pulled and plugged in again.
    void VanishFor(int backMs)
    {
        bench_.Faults().comeBackAfterMs = backMs < 0 ? 0 : backMs;
        bench_.Vanish();
    }

signals:
    void Vanished();
    void CameBack();

private:
    void OnReadable();
    void OnTick();
    void OnOutput(const std::vector<uint8_t>& piece);
    void Pump();
    void Schedule();
    void DoVanish();
    void ComeBack();

    SimBench bench_;
    SimPty pty_;
    QString linkPath_;
    QElapsedTimer clock_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer* timer_ = nullptr;
    std::deque<std::vector<uint8_t>> pieces_; // split pieces waiting for their turn
    int64_t nextPieceMs_ = 0;
    int pieceGapMs_ = 2;
    static constexpr size_t kPieceBacklog = 64;
};

} // namespace sim
