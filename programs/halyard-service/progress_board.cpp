#include "programs/halyard-service/progress_board.h"

#include "service/bench_procedure.h"

ProgressBoard::ProgressBoard(bool live, const std::array<bool, 4>& benches, std::FILE* out)
    : live_(live), benches_(benches), out_(out)
{
    clock_.start();
}

void ProgressBoard::Progress(const BenchProcedure& p, const QString& port)
{
    // Off a terminal only the results are shown: nothing to lay out per record.
    if (!live_)
        return;
    const BenchProgress& g = p.Progress();
    QString line = QStringLiteral("bench %1 (%2): %3").arg(p.Bench() + 1).arg(port, QString::fromStdString(g.Stage));
    if (g.Total > 0)
        line += QStringLiteral(" %1/%2").arg(g.Done).arg(g.Total);
    line += QStringLiteral(", retries %1").arg(g.Retries);
    if (p.Finished())
        line += p.Succeeded() ? QStringLiteral(" - ok") : QStringLiteral(" - FAILED");
    lines_[size_t(p.Bench())] = line;
    Redraw(p.Finished());
}

void ProgressBoard::Failed(int bench, const QString& port, const QString& message)
{
    lines_[size_t(bench)] = QStringLiteral("bench %1 (%2): FAILED: %3").arg(bench + 1).arg(port, message);
    Redraw(true);
}

void ProgressBoard::Redraw(bool force)
{
    if (!live_)
        return;
    const qint64 now = clock_.elapsed();
    if (!force && now - lastDraw_ < kRedrawMs)
        return;
    lastDraw_ = now;
    // Back to the first line of the board, then each line anew.
    if (drawn_ > 0)
        std::fprintf(out_, "\x1b[%dA", drawn_);
    drawn_ = 0;
    for (size_t k = 0; k < 4; ++k) {
        if (!benches_[k])
            continue;
        std::fprintf(out_, "\r\x1b[2K%s\n", lines_[k].toLocal8Bit().constData());
        ++drawn_;
    }
    std::fflush(out_);
}

void ProgressBoard::Refused(const QString& message)
{
    std::fprintf(out_, "halyard-service: %s\n", message.toLocal8Bit().constData());
}

void ProgressBoard::Summary(const QList<BenchResult>& results, int exitCode)
{
    Redraw(true);
    QStringList failed;
    for (const BenchResult& r : results) {
        std::fprintf(out_, "bench %d (%s): %s: %s\n", r.Bench + 1, r.Port.toLocal8Bit().constData(), r.Ok ? "ok" : "FAILED",
                     r.Message.toLocal8Bit().constData());
        if (!r.Ok)
            failed << QString::number(r.Bench + 1);
    }
    if (failed.isEmpty() && results.size() == 1)
        std::fprintf(out_, "halyard-service: bench %d succeeded\n", results.front().Bench + 1);
    else if (failed.isEmpty())
        std::fprintf(out_, "halyard-service: all %d benches succeeded\n", int(results.size()));
    else
        std::fprintf(out_, "halyard-service: bench%s %s failed (exit %d)\n", failed.size() > 1 ? "es" : "",
                     failed.join(QStringLiteral(", ")).toLocal8Bit().constData(), exitCode);
    std::fflush(out_);
}
