#pragma once
#include <cstdio>
#include <string>
#include <string_view>

class QString;

// Text-line helpers of every file the main window writes: single-byte Latin-1
// text, each line ended by CR LF.

// Longest piece ReadLine hands back; longer lines come in several pieces.
constexpr int kReadLinePiece = 498;

// Writes text (a single blank when it is empty) and CR LF. False on a write error.
bool WriteLine(std::FILE* file, std::string_view text);

// Reads the next line, at most kReadLinePiece characters at a time, without its
// line end. Returns the number of characters, 0 for an empty line (also for a
// line holding the single blank WriteLine writes for empty text), and -1 with
// an empty text at end of file.
int ReadLine(std::FILE* file, std::string& text);

// Latin-1 bytes of a text; characters outside Latin-1 become '?'.
std::string ToLatin1(const QString& text);
QString FromLatin1(std::string_view bytes);

// Opens a file by its Qt path name (fopen modes).
std::FILE* OpenFile(const QString& path, const char* mode);
