#pragma once
#include <cstdint>
#include <string>

#include "rows/row_feed.h"

// The JSON payloads of the feed (UTF-8, one object, no line breaks). Cell and
// status texts are Latin-1 and are converted; names and units are UTF-8.

// {"station","bench","time","mode","kind","stdev","seq","values":[{"group","name","unit","text","value"}]}
// "text" is the cell text without its blanks; "value" is that text written as
// a JSON number (so exactly what the log shows), or null when it is not a finite number.
std::string RowMessage(const FeedRow& row, const std::string& station, uint64_t seq);

// {"station","bench","time","text","error","seq"}
std::string StatusMessage(int bench, const std::string& text, bool error, int64_t timeSeconds,
                          const std::string& station, uint64_t seq);

// Local time in ISO 8601 with the zone offset, e.g. "2026-12-10T19:54:36+01:00".
std::string IsoTime(int64_t timeSeconds);

// "none", "mean", "mean+stdev"
const char* ModeName(int averagingMode);
