#include "rows/history_copy.h"

#include "rows/log_file.h"
#include "link/paths.h"
#include "rows/text_lines.h"

QString HistoryFilePath()
{
    return Paths::DriveCPath(QStringLiteral("c:\\history.log"));
}

bool CopyFile(std::FILE* src, std::FILE* dst)
{
    char block[4096];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, src);
        if (n == 0)
            break;
        ok = std::fwrite(block, 1, n, dst) == n && ok;
    }
    return ok && !std::ferror(src);
}

HistoryCopyResult CopyLogToHistory(LogFile& log, const QString& historyPath)
{
    HistoryCopyResult r;
    if (!log.IsOpen())
        return r;
    r.Ran = true;
    log.SetHistoryCopyBusy(true);
    std::FILE* handle = log.Handle();
    if (!handle || std::ftell(handle) < 0) {
        r.Messages.push_back(QString::fromLatin1(kFileCopyFailed));
    } else {
        log.Suspend();
        std::FILE* source = OpenFile(log.FileName(), "rb");
        if (!source) {
            r.Messages.push_back(QString::fromLatin1(kFileLogOpenFailed));
        } else {
            std::FILE* history = OpenFile(historyPath, "wb");
            if (!history) {
                r.Messages.push_back(QString::fromLatin1(kFileHistoryOpenFailed));
            } else {
                if (!CopyFile(source, history))
                    r.Messages.push_back(QString::fromLatin1(kFileCopyFailed));
                if (std::fclose(history) != 0 && r.Messages.empty())
                    r.Messages.push_back(QString::fromLatin1(kFileCopyFailed));
            }
            std::fclose(source);
        }
    }
    // Step 2: back to appending.
    log.Suspend();
    if (!log.Resume()) {
        r.Messages.push_back(QString::fromLatin1(kFileLogOpenFailed));
        // A log that cannot be written is closed, so the window shows no file
        // open rather than rows that look logged and are not.
        log.Close();
        r.LogClosed = true;
    }
    log.SetHistoryCopyBusy(false);
    return r;
}

bool ReadHistoryFile(const QString& historyPath, std::vector<std::string>& lines)
{
    std::FILE* file = OpenFile(historyPath, "rb");
    if (!file)
        return false;
    lines.clear();
    std::string text;
    while (ReadLine(file, text) >= 0)
        lines.push_back(text);
    std::fclose(file);
    return true;
}
