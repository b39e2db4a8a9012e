#include "link/traffic_lights.h"

#include "link/com_port.h"

TrafficLights::TrafficLights(ComPort* port, QObject* parent)
    : QObject(parent)
{
    for (QTimer* timer : {&txTimer_, &rxTimer_}) {
        timer->setSingleShot(true);
        timer->setInterval(kHoldMs);
    }
    connect(&txTimer_, &QTimer::timeout, this, [this] { Set(false, rxLit_); });
    connect(&rxTimer_, &QTimer::timeout, this, [this] { Set(txLit_, false); });
    connect(port, &ComPort::Transmitted, this, [this] { OnTraffic(true); });
    connect(port, &ComPort::Received, this, [this] { OnTraffic(false); });
}

void TrafficLights::SetMonitoring(bool on)
{
    monitoring_ = on;
    if (!on) {
        txTimer_.stop();
        rxTimer_.stop();
        Set(false, false);
    }
}

void TrafficLights::OnTraffic(bool tx)
{
    if (!monitoring_)
        return;
    if (tx) {
        txTimer_.start();
        Set(true, rxLit_);
    } else {
        rxTimer_.start();
        Set(txLit_, true);
    }
}

void TrafficLights::Set(bool tx, bool rx)
{
    if (tx == txLit_ && rx == rxLit_)
        return;
    txLit_ = tx;
    rxLit_ = rx;
    emit Changed(tx, rx);
}
