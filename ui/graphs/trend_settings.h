#pragma once
#include <QString>
#include <array>

class QIODevice;

// Settings files of the trend graphs: plain Latin-1 text, one value per line,
// each line ended by a line feed. The first line records the decimal
// convention the range texts were written under; a file written under the
// other convention is ignored, so "0,5" is never read as 0 or 5.

// Trend graph 1: flags for CO2, O2, Freon, NO and the texts of
// CO2COO2MinEdit, CO2COO2MaxEdit, HCNOMinEdit, HCNOMaxEdit.
struct Graph1Settings {
    std::array<bool, 4> ChannelEnabled{true, true, true, true};
    std::array<QString, 4> RangeTexts{QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("0"),
                                      QStringLiteral("100")};
};

// Trend graph 2, slots CO2, Freon, O2, NO: flag, minimum text, maximum text.
struct Graph2Settings {
    std::array<bool, 4> ChannelEnabled{true, false, false, false};
    std::array<QString, 4> MinTexts{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                    QStringLiteral("0")};
    std::array<QString, 4> MaxTexts{QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("25"),
                                    QStringLiteral("25")};
};

// Reads the file into `out`; false (and `out` untouched) when it is missing,
// unreadable, too short, or written under the other decimal convention.
bool ReadGraph1Settings(const QString& path, bool decimalPointIsDot, Graph1Settings& out);
bool ReadGraph2Settings(const QString& path, bool decimalPointIsDot, Graph2Settings& out);
// The same on an open device (the file versions open the file and call these).
bool ReadGraph1Settings(QIODevice& file, bool decimalPointIsDot, Graph1Settings& out);
bool ReadGraph2Settings(QIODevice& file, bool decimalPointIsDot, Graph2Settings& out);
bool WriteGraph1Settings(QIODevice& file, bool decimalPointIsDot, const Graph1Settings& s);
bool WriteGraph2Settings(QIODevice& file, bool decimalPointIsDot, const Graph2Settings& s);
// False when the file cannot be written.
bool WriteGraph1Settings(const QString& path, bool decimalPointIsDot, const Graph1Settings& s);
bool WriteGraph2Settings(const QString& path, bool decimalPointIsDot, const Graph2Settings& s);

// A range text as the locale conversion reads it: the leading number, with a
// dot or a comma as the decimal point; 0 when there is none. Limited to the
// float range.
float RangeTextToFloat(const QString& text, bool decimalPointIsDot);
