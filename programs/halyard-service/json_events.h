#pragma once
// --json: one JSON object per line on standard output for each event, flushed at once so a
// supervising script sees it as it happens. Progress within one stage is told at most every
// kProgressMs per bench; a new stage and the result always.
#include <QElapsedTimer>

#include <array>
#include <cstdio>
#include <string>

#include "programs/halyard-service/service_events.h"

class JsonEvents : public ServiceEvents {
public:
    static constexpr int kProgressMs = 200;
    explicit JsonEvents(std::FILE* out = stdout) : out_(out) { clock_.start(); }

    void Progress(const BenchProcedure& p, const QString& port) override;
    void Failed(int bench, const QString& port, const QString& message) override;
    void Summary(const QList<BenchResult>& results, int exitCode) override;
    void Refused(const QString& message) override;

private:
    void Line(const QByteArray& json);

    std::FILE* out_;
    QElapsedTimer clock_;
    std::array<qint64, 4> lastTold_{-1'000'000, -1'000'000, -1'000'000, -1'000'000};
    std::array<std::string, 4> lastStage_;
};
