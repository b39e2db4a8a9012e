#pragma once
// What a run tells its user as it goes: progress lines on a terminal, or JSON lines for a
// supervising script.
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class BenchProcedure;

struct BenchResult {
    int Bench = 0;       // 0..3
    QString Port;        // "COM1"
    bool Ok = false;
    QString Message;
};

class ServiceEvents {
public:
    virtual ~ServiceEvents() = default;
    // A procedure changed stage or progress, or finished.
    virtual void Progress(const BenchProcedure& p, const QString& port) = 0;
    // A bench that failed before any procedure ran (its port, its file).
    virtual void Failed(int bench, const QString& port, const QString& message) = 0;
    // The end: each bench's result; exitCode as the program ends.
    virtual void Summary(const QList<BenchResult>& results, int exitCode) = 0;
    // Something wrong before any bench was touched (a bad file).
    virtual void Refused(const QString& message) = 0;
};
