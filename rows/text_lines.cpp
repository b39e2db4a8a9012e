#include "rows/text_lines.h"

#include <QFile>
#include <QString>

bool WriteLine(std::FILE* file, std::string_view text)
{
    if (!file)
        return false;
    if (text.empty())
        text = " ";
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size()
                    && std::fwrite("\r\n", 1, 2, file) == 2;
    return ok && !std::ferror(file);
}

namespace {
// Consumes a line end at the current position; leaves the position alone otherwise.
bool TakeLineEnd(std::FILE* file)
{
    std::fpos_t before;
    const bool canSeek = std::fgetpos(file, &before) == 0;
    const int c = std::getc(file);
    if (c == '\n')
        return true;
    if (c == '\r') {
        const int d = std::getc(file);
        if (d == '\n')
            return true;
        if (canSeek)
            std::fsetpos(file, &before);
        return false;
    }
    if (c != EOF)
        std::ungetc(c, file);
    return false;
}
} // namespace

int ReadLine(std::FILE* file, std::string& text)
{
    text.clear();
    if (!file)
        return -1;
    bool any = false;
    bool lineEnd = false;
    while (static_cast<int>(text.size()) < kReadLinePiece) {
        const int c = std::getc(file);
        if (c == EOF)
            break;
        any = true;
        if (c == '\n') {
            lineEnd = true;
            break;
        }
        if (c == '\r') {
            const int d = std::getc(file);
            if (d == '\n') {
                lineEnd = true;
                break;
            }
            if (d != EOF)
                std::ungetc(d, file);
        }
        text.push_back(static_cast<char>(c));
    }
    if (!any)
        return -1;
    // A line end right after a full piece belongs to that piece, so a line of
    // exactly 498 characters does not read back as an extra empty line.
    if (!lineEnd && static_cast<int>(text.size()) == kReadLinePiece)
        TakeLineEnd(file);
    if (text == " ")
        text.clear();
    return static_cast<int>(text.size());
}

std::string ToLatin1(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString FromLatin1(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::FILE* OpenFile(const QString& path, const char* mode)
{
    if (path.isEmpty())
        return nullptr;
    return std::fopen(QFile::encodeName(path).constData(), mode);
}
