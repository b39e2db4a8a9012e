#pragma once
// Runs one procedure on each of several benches at the same time over one link: every bench
// has its own port, step machine, files and trace, so four benches take about as long as one.
// The runner holds the benches' replies while the procedures run and hands each bench's to
// its procedure; it runs the link's time-out pass once a second, as the main window's poll
// tick does (not while a firmware download runs, as the window does not).
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "service/bench_procedure.h"
#include "link/link_listener.h"

class Link;

class ServiceRunner : public QObject, public ReplyClaim, private LinkListener {
    Q_OBJECT
public:
    static constexpr int kPollMs = 1000;

    explicit ServiceRunner(Link& link);
    ~ServiceRunner() override;

    // One procedure per bench; added before Start.
    void Add(std::unique_ptr<BenchProcedure> procedure);
    // Starts every procedure. Ends at once (OnFinished) when there is none.
    void Start();
    // Cancels every procedure still running (signals, a supervising script).
    void Cancel();

    bool AllFinished() const;
    bool AllSucceeded() const;
    const std::vector<std::unique_ptr<BenchProcedure>>& Procedures() const { return procedures_; }

    // A procedure changed stage or progress, or finished.
    std::function<void(const BenchProcedure&)> OnEvent;
    // Every procedure has finished; told once, outside reply handling.
    std::function<void()> OnFinished;

    // ReplyClaim
    bool Claiming() const override;
    bool Exclusive() const override;
    bool Claimed(int k, const RxFrame& frame) override;
    void ClaimedTimeout(int k, uint8_t code) override;

private:
    // LinkListener: a bench whose port went away can answer nothing more; its run ends now
    // (a firmware download would otherwise wait for its time-out, a parameter transfer for ever).
    void PortLost(int k) override;

    BenchProcedure* For(int k) const;
    void Changed(const BenchProcedure& p);
    void CheckFinished();
    void PollTick();

    Link& link_;
    std::vector<std::unique_ptr<BenchProcedure>> procedures_;
    QTimer poll_;
    bool started_ = false;
    bool finishTold_ = false;
};
