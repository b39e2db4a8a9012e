#pragma once
#include <QString>

// Program-wide texts and settings of the main unit.
namespace Cedat {

inline const QString ProgramName = QStringLiteral("Halyard Application Program for Type Kestrel-2");
inline const QString Revision = QStringLiteral("Rev 1.07");
// Release date, always used as its three pieces joined.
inline const QString ReleaseDate = QStringLiteral("17/") + QStringLiteral("1/") + QStringLiteral("2013");
inline const QString ReleaseYear = QStringLiteral("2013");

// ProgramName + ", " + Revision + ", " + release date.
inline QString BaseCaption() { return ProgramName + QStringLiteral(", ") + Revision + QStringLiteral(", ") + ReleaseDate; }
// ProgramName + ", " + Revision: the caption once a log file was appended to or closed.
inline QString ShortCaption() { return ProgramName + QStringLiteral(", ") + Revision; }

// The C run-time locale's decimal point after selecting the user's default locale: a comma gives
// false, anything else true.
bool ReadDecimalPointIsDot();

} // namespace Cedat
