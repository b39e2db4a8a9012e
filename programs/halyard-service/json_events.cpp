#include "programs/halyard-service/json_events.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "service/bench_procedure.h"

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QJsonObject BenchObject(int bench, const QString& port, const QString& stage, int done, int total, int retries)
{
    QJsonObject o;
    o[QStringLiteral("bench")] = bench + 1;
    o[QStringLiteral("port")] = port;
    o[QStringLiteral("stage")] = stage;
    QJsonObject progress;
    progress[QStringLiteral("done")] = done;
    progress[QStringLiteral("total")] = total;
    progress[QStringLiteral("retries")] = retries;
    o[QStringLiteral("progress")] = progress;
    return o;
}

} // namespace

void JsonEvents::Line(const QByteArray& json)
{
    std::fwrite(json.constData(), 1, size_t(json.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void JsonEvents::Progress(const BenchProcedure& p, const QString& port)
{
    const size_t k = size_t(p.Bench());
    const BenchProgress& g = p.Progress();
    const qint64 now = clock_.elapsed();
    const bool newStage = g.Stage != lastStage_[k];
    if (!p.Finished() && !newStage && now - lastTold_[k] < kProgressMs)
        return;
    lastTold_[k] = now;
    lastStage_[k] = g.Stage;
    QJsonObject o = BenchObject(p.Bench(), port, Latin1(g.Stage), g.Done, g.Total, g.Retries);
    o[QStringLiteral("result")] = p.Finished() ? QJsonValue(p.Succeeded() ? QStringLiteral("ok") : QStringLiteral("failed"))
                                               : QJsonValue(QJsonValue::Null);
    o[QStringLiteral("message")] = Latin1(p.Message());
    if (p.Finished() && !p.Output().empty())
        o[QStringLiteral("value")] = Latin1(p.Output());
    Line(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void JsonEvents::Failed(int bench, const QString& port, const QString& message)
{
    QJsonObject o = BenchObject(bench, port, QStringLiteral("port"), 0, 0, 0);
    o[QStringLiteral("result")] = QStringLiteral("failed");
    o[QStringLiteral("message")] = message;
    Line(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void JsonEvents::Refused(const QString& message)
{
    QJsonObject o;
    o[QStringLiteral("bench")] = QJsonValue(QJsonValue::Null);
    o[QStringLiteral("stage")] = QStringLiteral("files");
    o[QStringLiteral("result")] = QStringLiteral("failed");
    o[QStringLiteral("message")] = message;
    Line(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void JsonEvents::Summary(const QList<BenchResult>& results, int exitCode)
{
    QJsonArray ok, failed;
    for (const BenchResult& r : results)
        (r.Ok ? ok : failed).append(r.Bench + 1);
    QJsonObject summary;
    summary[QStringLiteral("ok")] = ok;
    summary[QStringLiteral("failed")] = failed;
    QJsonObject o;
    o[QStringLiteral("summary")] = summary;
    o[QStringLiteral("exit")] = exitCode;
    Line(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
