#pragma once
#include "rows/calendar_clock.h"
#include "ui/main/file_dialogs.h"
#include "link/message_sink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>

// Records every message instead of showing a box.
struct RecordingMessages : IMessageSink {
    struct Shown {
        QString Caption, Text;
        Icon IconKind;
    };
    QList<Shown> Messages;
    void Show(const QString& caption, const QString& text, Icon icon) override { Messages.append({caption, text, icon}); }
    QStringList Texts() const
    {
        QStringList t;
        for (const auto& m : Messages)
            t << m.Text;
        return t;
    }
};

// Answers the file dialogs and questions from queues; records what was asked.
struct ScriptedDialogs : IFileDialogs {
    std::deque<QString> SavePaths, OpenPaths;
    std::deque<bool> Answers;
    QStringList Questions;
    QStringList InitialDirs;
    // The printer each set-up dialog was given; SetUpPrinter stands for the user's choices.
    QList<QPrinter*> SetupPrinters;
    std::function<void(QPrinter&)> SetUpPrinter;

    QString SaveLogFileName(const QString& dir) override { return Take(SavePaths, dir); }
    QString OpenLogFileName(const QString& dir) override { return Take(OpenPaths, dir); }
    // Export CSV: the log and CSV answers; what each dialog offered first is recorded.
    std::deque<QString> ExportLogPaths, CsvPaths;
    QStringList ExportOffers;
    QString OpenLogForExport(const QString& preselected) override
    {
        ExportOffers << preselected;
        return Take(ExportLogPaths, preselected);
    }
    QString SaveCsvFileName(const QString& suggested) override
    {
        ExportOffers << suggested;
        return Take(CsvPaths, suggested);
    }
    // Open Log as Chart: each answer a list of logs (none: cancelled).
    std::deque<QStringList> ChartLogPaths;
    QStringList OpenLogsForChart(const QString& preselected) override
    {
        ExportOffers << preselected;
        if (ChartLogPaths.empty())
            return {};
        QStringList p = ChartLogPaths.front();
        ChartLogPaths.pop_front();
        return p;
    }
    bool AskYesNo(const QString&, const QString& text) override
    {
        Questions << text;
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
    void PrinterSetup(QPrinter& printer) override
    {
        SetupPrinters << &printer;
        if (SetUpPrinter)
            SetUpPrinter(printer);
    }

private:
    QString Take(std::deque<QString>& q, const QString& dir)
    {
        InitialDirs << dir;
        if (q.empty())
            return {};
        QString p = q.front();
        q.pop_front();
        return p;
    }
};

// A temporary drive C and devices folder. Without sim benches every COMn entry dangles, so no
// port opens whatever serial devices the machine has.
struct TempPlaces {
    QTemporaryDir Root;
    QString DriveC, Devices;

    explicit TempPlaces(bool danglingPorts = true)
    {
        DriveC = Root.filePath(QStringLiteral("drive_c"));
        Devices = Root.filePath(QStringLiteral("devices"));
        QDir().mkpath(DriveC);
        QDir().mkpath(Devices);
        qputenv("HALYARD_DRIVE_C", DriveC.toLocal8Bit());
        qputenv("HALYARD_DEVICES", Devices.toLocal8Bit());
        // Settings the user saved (a feed to a broker, say) must not reach a test's window.
        qputenv("XDG_CONFIG_HOME", Root.filePath(QStringLiteral("config")).toLocal8Bit());
        if (danglingPorts)
            for (int n = 1; n <= 4; ++n)
                QFile::link(Root.filePath(QStringLiteral("missing")), Devices + QStringLiteral("/COM%1").arg(n));
    }
    QString InDriveC(const QString& name) const { return DriveC + QLatin1Char('/') + name; }
};

// A calendar clock that stands still unless moved, with fixed date and time texts.
struct FixedClock {
    int64_t Now = 1'700'000'000;
    std::function<void()> OnRead;
    CalendarClock Clock()
    {
        CalendarClock c;
        c.NowSeconds = [this] {
            if (OnRead)
                OnRead();
            return Now;
        };
        c.ShortDate = [](int64_t) { return std::string("14/11/2023"); };
        c.LongTime = [](int64_t) { return std::string("12:00:00"); };
        return c;
    }
};

// The serial lock files ("LCK..pts_3") that exist now for the devices behind the COMn entries of
// a devices folder, wherever the serial layer keeps them.
// How long a step against simulated benches or a started program may take before a test gives up.
inline constexpr int kWaitMs = 20000;

inline QStringList SerialLockFiles(const QString& devicesDir)
{
    QStringList found;
    const QStringList folders = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
    for (const QFileInfo& entry : QDir(devicesDir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        QString device = entry.canonicalFilePath();
        if (device.isEmpty())
            continue;
        if (device.startsWith(QLatin1String("/dev/")))
            device.remove(0, 5);
        device.replace(QLatin1Char('/'), QLatin1Char('_'));
        for (const QString& folder : folders) {
            // One file may show under two folders (/var/lock is often a link to /run/lock).
            const QString lock = QFileInfo(folder + QStringLiteral("/LCK..") + device).canonicalFilePath();
            if (!lock.isEmpty() && !found.contains(lock))
                found << lock;
        }
    }
    return found;
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
