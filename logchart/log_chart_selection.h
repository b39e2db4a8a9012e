#pragma once
#include <QString>
#include <QStringList>

class LogChartView;

// Choices given as text, as halyard-log --plot takes them.

// Shows the benches and values named ("Bench 2", "CO2", "NO [ppm]", "Bench 1 O2"):
// a value is shown for every bench named, every bench when none is named, and
// the other way round. False, with the names the log has, when a name is unknown.
bool SelectLogColumns(LogChartView& view, const QStringList& names, QString* error);

// A time given as "HH:mm[:ss]" or "yyyy-MM-dd HH:mm[:ss]" (or with a "T") in chart
// seconds. A time of day alone is its first occurrence at or after `notBefore`.
bool LogChartTime(const QString& text, double notBefore, double* seconds, QString* error);
