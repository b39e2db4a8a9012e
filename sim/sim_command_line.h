#pragma once
// The kestrel-sim command line, parsed into a server configuration.

#include "sim/sim_server.h"

#include <QString>
#include <QStringList>

namespace sim {

enum class ParseResult { Ok, Help, Error };

// arguments include the program name first, as QCoreApplication::arguments().
// On Help, *message holds the help text; on Error, the reason.
ParseResult ParseSimCommandLine(const QStringList& arguments, SimServerConfig* config, QString* message);

// Reads a number: decimal, or hexadecimal after 0x or $ or before a trailing h.
bool ParseSimNumber(const QString& text, long long* value);

} // namespace sim
