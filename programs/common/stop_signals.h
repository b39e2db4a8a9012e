#pragma once
#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as a Qt signal on the event loop: the handler only writes a byte
// to a pipe, whose read end a socket notifier watches, so the stop never runs inside a signal
// handler or in the middle of reply handling. A SIGHUP that is ignored when this is made (the
// program was started under nohup) stays ignored: the program then outlives its terminal.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    bool Installed() const { return notifier_ != nullptr; }
    // SIGHUP stops the program (false when it was ignored at start).
    bool HangUpStops() const { return hangUpStops_; }

signals:
    void StopRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
    bool hangUpStops_ = false;
};
