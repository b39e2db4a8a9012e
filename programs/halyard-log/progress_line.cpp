#include "programs/halyard-log/progress_line.h"

#include "programs/halyard-log/headless_logger.h"

#include <QFileInfo>

QString ProgressLine(const HeadlessLogger& logger)
{
    QString line = QStringLiteral("rows %1 ").arg(logger.RowsLogged());
    for (int k = 0; k < 4; ++k) {
        QString state;
        if (logger.BenchLost(k))
            state = QStringLiteral("lost");
        else if (logger.BenchStatus(k).empty())
            continue;
        else
            state = QString::fromLatin1(logger.BenchStatus(k).c_str()).trimmed();
        line += QStringLiteral(" | %1: %2").arg(k + 1).arg(state);
    }
    line += QStringLiteral(" | time-outs %1 | %2").arg(logger.Timeouts()).arg(QFileInfo(logger.CurrentLogFile()).fileName());
    return line;
}
