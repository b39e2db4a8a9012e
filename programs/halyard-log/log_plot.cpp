#include "programs/halyard-log/log_plot.h"

#include <QFileInfo>

#include <memory>

#include "logchart/log_chart_data.h"
#include "logchart/log_chart_export.h"
#include "logchart/log_chart_selection.h"
#include "logchart/log_chart_view.h"
#include "programs/halyard-log/logger_options.h"

PlotResult PlotLog(const LoggerOptions& o, const LogFormats& formats)
{
    PlotResult r;
    auto data = std::make_unique<LogChartData>();
    if (!data->Open(LoggerLogFile(o.PlotPath), &r.Message, formats))
        return r;
    const QString summary = data->Summary();
    LogChartView view;
    view.AddFile(std::move(data));
    if (!view.HasRows()) {
        r.Message = QStringLiteral("%1 holds no rows to draw").arg(o.PlotPath);
        return r;
    }
    if (!o.Columns.isEmpty() && !SelectLogColumns(view, o.Columns, &r.Message))
        return r;
    view.FitAll();
    double from = view.XMin, to = view.XMax;
    if (!o.From.isEmpty() && !LogChartTime(o.From, view.DataMin(), &from, &r.Message))
        return r;
    if (!o.To.isEmpty() && !LogChartTime(o.To, from, &to, &r.Message))
        return r;
    if (!(to > from)) {
        r.Message = QStringLiteral("--to must come after --from");
        return r;
    }
    view.SetXRange(from, to);
    view.FitY();
    if (!ExportLogChart(view, o.OutPath, QSize(o.Width, o.Height), &r.Message))
        return r;
    r.Ok = true;
    r.Message = QStringLiteral("%1 written. %2").arg(o.OutPath, summary);
    return r;
}
