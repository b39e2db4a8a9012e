#pragma once
#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal on the event loop: the handler only writes a byte
// to a pipe, whose read end a socket notifier watches, so the stop never runs inside
// a signal handler or in the middle of reply handling.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    bool Installed() const { return notifier_ != nullptr; }

signals:
    void StopRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};
