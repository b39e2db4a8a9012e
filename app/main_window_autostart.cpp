#include "main_window.h"

#include "main_window_widgets.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

// HALYARD_AUTOSTART="1,2,3,4;log=FILE[;mode=mean|stdev;samples=N]": a headless driver for soak runs.
// Ticks the listed benches, creates FILE as a new log, sets File Log On, applies the settings and
// presses Start, as a user would. Without the variable nothing happens.
bool TApp::StartAutomation()
{
    const char* setting = std::getenv("HALYARD_AUTOSTART");
    if (!setting || !*setting)
        return false;
    const QStringList parts = QString::fromLocal8Bit(setting).split(QLatin1Char(';'));
    QString logPath;
    for (const QString& part : parts.mid(1)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = part.section(QLatin1Char('='), 1).trimmed();
        if (key == QLatin1String("log"))
            logPath = value;
        else if (key == QLatin1String("mode"))
            AveragingRadioGroup->SetItemIndex(value == QLatin1String("stdev") ? 2 : value == QLatin1String("mean") ? 1 : 0);
        else if (key == QLatin1String("samples"))
            AverageEdit->setText(value);
    }
    for (const QString& bench : parts.value(0).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int k = bench.trimmed().toInt() - 1;
        if (k >= 0 && k < 4 && ActiveBench[k]->isEnabled())
            ActiveBench[k]->setChecked(true);
    }
    OKBtnClick();
    if (!logPath.isEmpty()) {
        LogFileName = logPath;
        if (log_.Create(logPath)) {
            EnableCommentAndLogging();
            Logging->Items[0]->click();
        } else {
            LogFileProblem();
        }
    }
    StartBtnClick();
    return true;
}
