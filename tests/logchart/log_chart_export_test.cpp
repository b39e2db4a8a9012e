#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

#include "logchart/log_chart_data.h"
#include "logchart/log_chart_export.h"
#include "logchart/log_chart_painter.h"
#include "logchart/log_chart_view.h"

namespace {

// A night of two benches with Mean+STDEV rows, and a run appended the next morning.
std::string NightLog()
{
    std::string log = "MainLogfile C:\\NIGHT.LOG created 17/01/2013\r\n"
                      "    Time       CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]\r\n";
    char line[256];
    for (int i = 0; i < 3000; ++i) {
        const int s = (23 * 3600 + i * 4) % 86400;
        std::snprintf(line, sizeof line, "%02d:%02d:%02d  %7.2f%9.2f%7.2f%7.2f%7.2f%9.2f%7.2f%7.2f\r\n", s / 3600,
                      s / 60 % 60, s % 60, 5 + 0.01 * (i % 70), 100.0 + i % 30, 20.9, 3.0 + i % 5, 6.0, 50.0, 20.8,
                      i % 9 * 1.0);
        log += line;
        std::snprintf(line, sizeof line, "%02d:%02d:%02d  %10.4f%10.4f%10.4f%10.4f%10.4f%10.4f%10.4f%10.4f    STDEV\r\n",
                      s / 3600, s / 60 % 60, s % 60, 0.05, 2.0, 0.01, 0.5, 0.04, 1.0, 0.01, 0.2);
        log += line;
    }
    return log;
}

struct ExportTest : ::testing::Test {
    QTemporaryDir dir;
    QBuffer in;
    LogChartView view;

    void SetUp() override
    {
        in.setData(QByteArray::fromStdString(NightLog()));
        in.open(QIODevice::ReadOnly);
        auto data = std::make_unique<LogChartData>();
        LogFormats f;
        f.DateFormats << QStringLiteral("dd/MM/yyyy");
        f.TimeFormats << QStringLiteral("HH:mm:ss");
        ASSERT_TRUE(data->Read(in, nullptr, f));
        data->Path = QStringLiteral("NIGHT.LOG");
        view.AddFile(std::move(data));
        view.FitAll();
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The three files exist at the size asked for; the SVG holds one path per shown trace.
TEST_F(ExportTest, PngSvgAndPdfAtTheSizeAsked)
{
    view.SetBenchShown(1, false);
    view.SetValueShown(0, 2, false); // O2: three traces of bench 1 left
    ASSERT_EQ(view.ShownTraces().size(), 3u);
    const QSize size(900, 500);
    QString error;
    ASSERT_TRUE(ExportLogChart(view, Path("night.png"), size, &error)) << error.toStdString();
    ASSERT_TRUE(ExportLogChart(view, Path("night.svg"), size, &error)) << error.toStdString();
    ASSERT_TRUE(ExportLogChart(view, Path("night.pdf"), size, &error)) << error.toStdString();

    const QImage png(Path("night.png"));
    EXPECT_EQ(png.size(), size);

    const QString svg = QString::fromUtf8(Read(Path("night.svg")));
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 900 500\""))) << svg.left(600).toStdString();
    // Lines are stroked paths; the bands under them are filled ones.
    EXPECT_EQ(svg.count(QStringLiteral("<path vector-effect=\"non-scaling-stroke\"")), 3)
        << "one path per shown trace";
    EXPECT_GE(svg.count(QStringLiteral("<path vector-effect=\"none\"")), 3) << "a band per trace";

    const QByteArray pdf = Read(Path("night.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("/MediaBox \\[0 0 900(\\.0+)? 500(\\.0+)?\\]"))
                    .match(QString::fromLatin1(pdf))
                    .hasMatch())
        << pdf.mid(pdf.indexOf("MediaBox") - 1, 40).toStdString();
}

TEST_F(ExportTest, BadNamesAndSizesAreRefused)
{
    QString error;
    EXPECT_FALSE(ExportLogChart(view, Path("night.bmp"), QSize(800, 600), &error));
    EXPECT_TRUE(error.contains(QStringLiteral(".png, .svg or .pdf"))) << error.toStdString();
    EXPECT_FALSE(ExportLogChart(view, Path("night.png"), QSize(10, 600), &error));
    EXPECT_FALSE(QFile::exists(Path("night.png")));
    EXPECT_FALSE(ExportLogChart(view, dir.filePath(QStringLiteral("no/such/folder/night.png")), QSize(800, 600), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write "))) << error.toStdString();
}

// Bands of Mean+STDEV rows are drawn in the trace's colour under its line.
TEST_F(ExportTest, BandsAreDrawnWhereStdevIsLogged)
{
    for (int v : {1, 2, 3})
        view.SetValueShown(0, v, false);
    view.SetBenchShown(1, false); // bench 1 CO2 alone
    const QImage image = RenderLogChart(view, QSize(800, 500));
    if (qEnvironmentVariableIsSet("HALYARD_KEEP_CHART"))
        image.save(qEnvironmentVariable("HALYARD_KEEP_CHART"));
    const QRect plot = LogChartPainter(view).PlotArea(QSize(800, 500));
    const QColor line = LogChartPainter::TraceColor(view.Trace({0, 0}));
    int lineLike = 0, bandLike = 0;
    for (int y = plot.top() + 1; y < plot.bottom(); ++y)
        for (int x = plot.left() + 1; x < plot.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.rgb() == line.rgb())
                ++lineLike;
            else if (c.blue() > c.red() + 40 && c.blue() > 200 && c.rgb() != line.rgb())
                ++bandLike;
        }
    EXPECT_GT(lineLike, 100);
    EXPECT_GT(bandLike, lineLike) << "the band covers more of the plot than the line";
}

} // namespace
