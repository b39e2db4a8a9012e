#pragma once
// The human view of a run on standard error: on a terminal, one line per bench redrawn in
// place (stage, done of total, retries); then a result line per bench and a summary that
// names the benches that failed and why.
#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdio>

#include "programs/halyard-service/service_events.h"

class ProgressBoard : public ServiceEvents {
public:
    static constexpr int kRedrawMs = 100;
    // live: redraw progress lines (standard error is a terminal). benches: those in the run.
    ProgressBoard(bool live, const std::array<bool, 4>& benches, std::FILE* out = stderr);

    void Progress(const BenchProcedure& p, const QString& port) override;
    void Failed(int bench, const QString& port, const QString& message) override;
    void Summary(const QList<BenchResult>& results, int exitCode) override;
    void Refused(const QString& message) override;

private:
    void Redraw(bool force);

    bool live_;
    std::array<bool, 4> benches_;
    std::FILE* out_;
    std::array<QString, 4> lines_;
    int drawn_ = 0;  // lines on the screen now
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1'000'000;
};
