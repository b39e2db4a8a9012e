#pragma once
#include <QImage>
#include <QSize>
#include <QString>

class LogChartView;

// The chart of logs as a picture of `size` pixels: PNG, SVG or PDF by the
// file's suffix (a PDF page is `size` points). Written in full or not at all.
// False, with the reason in `error`, when the file cannot be written.
bool ExportLogChart(const LogChartView& view, const QString& path, QSize size, QString* error);
// The picture in memory, as the PNG export holds it.
QImage RenderLogChart(const LogChartView& view, QSize size);
// Suffixes ExportLogChart writes, lower case.
bool LogChartFormatKnown(const QString& path);

inline constexpr int kDefaultChartWidth = 1200;
inline constexpr int kDefaultChartHeight = 700;
