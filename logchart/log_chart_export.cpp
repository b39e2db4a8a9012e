#include "logchart/log_chart_export.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "logchart/log_chart_painter.h"
#include "logchart/log_chart_view.h"

namespace {

QString SuffixOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

} // namespace

bool LogChartFormatKnown(const QString& path)
{
    const QString s = SuffixOf(path);
    return s == QLatin1String("png") || s == QLatin1String("svg") || s == QLatin1String("pdf");
}

QImage RenderLogChart(const LogChartView& view, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    LogChartPainter(view).Paint(p, size);
    p.end();
    return image;
}

bool ExportLogChart(const LogChartView& view, const QString& path, QSize size, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, why);
        return false;
    };
    if (size.width() < 100 || size.height() < 100 || size.width() > 20000 || size.height() > 20000)
        return fail(QStringLiteral("the picture must be 100 to 20000 pixels wide and high"));
    if (!LogChartFormatKnown(path))
        return fail(QStringLiteral("the name must end in .png, .svg or .pdf"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QString suffix = SuffixOf(path);
    bool drawn = true;
    if (suffix == QLatin1String("png")) {
        drawn = RenderLogChart(view, size).save(&file, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(view.Title());
        QPainter p;
        drawn = p.begin(&svg);
        if (drawn) {
            LogChartPainter(view).Paint(p, size);
            drawn = p.end();
        }
    } else {
        // One page as large as the picture, a point for a pixel.
        QPdfWriter pdf(&file);
        pdf.setResolution(72);
        pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
        pdf.setTitle(view.Title());
        pdf.setCreator(QStringLiteral("Halyard"));
        QPainter p;
        drawn = p.begin(&pdf);
        if (drawn) {
            LogChartPainter(view).Paint(p, size);
            drawn = p.end();
        }
    }
    if (!drawn) {
        file.cancelWriting();
        return fail(QStringLiteral("the picture could not be drawn"));
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
