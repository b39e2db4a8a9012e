#include "ui/main/main_window.h"

#include "ui/common/radio_group.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

// HALYARD_AUTOSTART="1,2,3,4;log=FILE[;mode=mean|stdev;samples=N][;graphs]": a headless driver for
// load measurements. Ticks the listed benches, creates FILE as a new log, sets File Log On, applies the
// settings and presses Start, as a user would; "graphs" then opens both trend windows from the menu.
// Without the variable nothing happens.
bool MainWindow::StartAutomation()
{
    const char* setting = std::getenv("HALYARD_AUTOSTART");
    if (!setting || !*setting)
        return false;
    const QStringList parts = QString::fromLocal8Bit(setting).split(QLatin1Char(';'));
    QString logPath;
    bool graphs = false;
    for (const QString& part : parts.mid(1)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = part.section(QLatin1Char('='), 1).trimmed();
        if (key == QLatin1String("log"))
            logPath = value;
        else if (key == QLatin1String("mode"))
            AveragingRadioGroup->SetItemIndex(value == QLatin1String("stdev") ? 2 : value == QLatin1String("mean") ? 1 : 0);
        else if (key == QLatin1String("samples"))
            AverageEdit->setText(value);
        else if (key == QLatin1String("graphs"))
            graphs = true;
    }
    for (const QString& bench : parts.value(0).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int k = bench.trimmed().toInt() - 1;
        if (k >= 0 && k < 4 && ActiveBench[k]->isEnabled())
            ActiveBench[k]->setChecked(true);
    }
    OKBtnClick();
    if (!logPath.isEmpty()) {
        LogFileName = logPath;
        if (station_.Log().Create(logPath)) {
            EnableCommentAndLogging();
            Logging->Items[0]->click();
        } else {
            LogFileProblem();
        }
    }
    StartBtnClick();
    if (graphs) {
        for (const char* item : {"Graphics1", "Graphics2"})
            if (QAction* action = findChild<QAction*>(QLatin1String(item)))
                action->trigger();
    }
    return true;
}
