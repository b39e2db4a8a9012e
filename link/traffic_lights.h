#pragma once
#include <QObject>
#include <QTimer>

class ComPort;

// The Tx and Rx lights of one port: lit while bytes go or come, dark again kHoldMs after.
class TrafficLights : public QObject {
    Q_OBJECT
public:
    static constexpr int kHoldMs = 100;

    explicit TrafficLights(ComPort* port, QObject* parent = nullptr);

    // On: follow the port's traffic. Off: stop following, both lights dark.
    void SetMonitoring(bool on);
    bool Monitoring() const { return monitoring_; }
    bool TxLit() const { return txLit_; }
    bool RxLit() const { return rxLit_; }

signals:
    void Changed(bool tx, bool rx);

private:
    void Set(bool tx, bool rx);
    void OnTraffic(bool tx);

    bool monitoring_ = false;
    bool txLit_ = false;
    bool rxLit_ = false;
    QTimer txTimer_;
    QTimer rxTimer_;
};
