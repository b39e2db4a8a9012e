#include "link/port_activation.h"

#include "link/paths.h"

PortActivation::PortActivation(IBenchBoxes& boxes)
    : PortActivation(boxes, {})
{
}

PortActivation::PortActivation(IBenchBoxes& boxes, const std::array<ComPort*, kPorts>& ports)
    : boxes_(boxes)
{
    for (int k = 0; k < kPorts; ++k) {
        ports_[k] = ports[k];
        if (!ports_[k]) {
            ownPorts_[k] = std::make_unique<ComPort>(k + 1);
            ports_[k] = ownPorts_[k].get();
        }
        lights_[k] = std::make_unique<TrafficLights>(ports_[k]);
        QObject::connect(ports_[k], &ComPort::Failed, &recheck_, [this, k] { PortLost(k); });
    }
    recheck_.setInterval(kRecheckMs);
    recheck_.callOnTimeout([this] { RecheckLostPorts(); });
}

PortActivation::~PortActivation()
{
    // Lights hold connections to the ports: drop them first.
    for (auto& lights : lights_)
        lights.reset();
}

std::array<ComPort*, PortActivation::kPorts> PortActivation::Ports()
{
    std::array<ComPort*, kPorts> ports{};
    for (int k = 0; k < kPorts; ++k)
        ports[k] = ports_[k];
    return ports;
}

void PortActivation::Probe()
{
    for (int k = 0; k < kPorts; ++k)
        boxes_.SetBoxEnabled(k, ComPort::TestDevice(Paths::ComDeviceName(k + 1)));
}

void PortActivation::Activate()
{
    // Unticking a box below calls back in here; run the pass again afterwards instead of nesting.
    if (activating_) {
        activateAgain_ = true;
        return;
    }
    activating_ = true;
    do {
        activateAgain_ = false;
        ActivateOnce();
    } while (activateAgain_);
    activating_ = false;
}

void PortActivation::ActivateOnce()
{
    for (int k = 0; k < kPorts; ++k) {
        if (boxes_.BoxOn(k)) {
            if (PortOpen[k])
                continue;
            if (ports_[k]->Open()) {
                lights_[k]->SetMonitoring(true);
                PortOpen[k] = true;
            } else {
                ports_[k]->Close();
                PortOpen[k] = false;
                lights_[k]->SetMonitoring(false);
                boxes_.SetBoxEnabled(k, false);
                boxes_.SetBoxTicked(k, false);
            }
        } else if (PortOpen[k]) {
            ports_[k]->Close();
            PortOpen[k] = false;
            lights_[k]->SetMonitoring(false);
        }
    }
}

void PortActivation::Shutdown()
{
    recheck_.stop();
    for (int k = 0; k < kPorts; ++k) {
        if (lights_[k]->Monitoring())
            lights_[k]->SetMonitoring(false);
        ports_[k]->Close();
        PortOpen[k] = false;
    }
}

void PortActivation::PortLost(int k)
{
    if (k < 0 || k >= kPorts || !PortOpen[k])
        return;
    ports_[k]->Close();
    PortOpen[k] = false;
    lights_[k]->SetMonitoring(false);
    lost_[k] = true;
    boxes_.SetBoxEnabled(k, false);
    boxes_.SetBoxTicked(k, false);
    if (!recheck_.isActive())
        recheck_.start();
    if (OnPortLost)
        OnPortLost(k, ports_[k]->ComName());
}

void PortActivation::RecheckLostPorts()
{
    bool stillLost = false;
    for (int k = 0; k < kPorts; ++k) {
        if (!lost_[k])
            continue;
        if (ComPort::TestDevice(ports_[k]->ComName())) {
            lost_[k] = false;
            boxes_.SetBoxEnabled(k, true);
            if (OnPortBack)
                OnPortBack(k);
        } else {
            stillLost = true;
        }
    }
    if (!stillLost)
        recheck_.stop();
}
