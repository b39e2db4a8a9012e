#pragma once
#include "link/bench_boxes.h"
#include "link/com_port.h"
#include "link/traffic_lights.h"

#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

// The four bench ports, their traffic lights and which of them the benches hold open.
class PortActivation {
public:
    static constexpr int kPorts = 4;

    // Port k (0..3) starts on device COM(k+1).
    explicit PortActivation(IBenchBoxes& boxes);
    // Over ports someone else owns (the station's); they outlive this.
    PortActivation(IBenchBoxes& boxes, const std::array<ComPort*, kPorts>& ports);
    ~PortActivation();
    PortActivation(const PortActivation&) = delete;
    PortActivation& operator=(const PortActivation&) = delete;

    ComPort& Port(int k) { return *ports_[k]; }
    TrafficLights& Lights(int k) { return *lights_[k]; }
    std::array<ComPort*, kPorts> Ports();

    // Enables box k when device COM(k+1) can be claimed now, whatever device port k is set to.
    void Probe();
    // Opens the ports of enabled, ticked boxes and closes the others. Safe to re-enter from SetBoxTicked.
    void Activate();
    // Lights off and every port closed (the trace of a tracing port is written).
    void Shutdown();

    // An open port whose device went away (adapter pulled): the port is closed and its box
    // disabled and unticked, as when an open fails, and OnPortLost tells the user which one.
    void PortLost(int k);
    // Re-enables the box of each lost port whose device can be claimed again, so the user
    // can tick it without restarting. Runs every second while a port is lost.
    void RecheckLostPorts();
    bool Lost(int k) const { return lost_[k]; }
    // Port k's device went away; comName is its device name ("COM2").
    std::function<void(int k, const QString& comName)> OnPortLost;
    // The device of lost port k can be claimed again (its box is enabled again).
    std::function<void(int k)> OnPortBack;

    bool PortOpen[kPorts] = {false, false, false, false};
    static constexpr int kRecheckMs = 1000;

private:
    void ActivateOnce();

    IBenchBoxes& boxes_;
    std::array<std::unique_ptr<ComPort>, kPorts> ownPorts_;
    std::array<ComPort*, kPorts> ports_{};
    std::array<std::unique_ptr<TrafficLights>, kPorts> lights_;
    bool activating_ = false;
    bool activateAgain_ = false;
    std::array<bool, kPorts> lost_{};
    QTimer recheck_;
};
