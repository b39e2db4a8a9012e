#pragma once
#include <QString>

#include <string_view>

// The bench's texts are single-byte Latin-1.
inline QString Latin1Text(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
