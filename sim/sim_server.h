#pragma once
// One to four emulated benches, bench k on its own pty linked as <devices>/COMk.

#include "sim/sim_faults.h"
#include "sim/sim_link.h"

#include <QObject>
#include <QString>
#include <QVector>

namespace sim {

struct SimServerConfig {
    QString devicesDir;          // where the COMn links go; created when missing
    int benches = 1;             // 1..4
    QVector<int> ports;          // port number of each bench; empty: 1..benches
    SimBenchConfig bench;        // shared settings; benchNumber is set per bench
    SimFaults faults;            // knobs every bench starts with
    int vanishAfterMs = -1;      // every bench vanishes this long after start; -1 never
    int pieceGapMs = 2;          // gap between the pieces of split writes
    QString recordDir;           // when set, each bench writes its data readings to COMk.readings there
};

// The devices folder the host looks in: $HALYARD_DEVICES, else the XDG data
// folder's halyard/devices.
QString DefaultDevicesDir();

class SimServer : public QObject {
    Q_OBJECT
public:
    explicit SimServer(const SimServerConfig& config, QObject* parent = nullptr);
    ~SimServer() override;

    // Opens every bench's pty and link. On failure nothing stays open.
    bool Start(QString* error = nullptr);
    // Closes every pty and removes the links.
    void Stop();

    int Count() const { return int(links_.size()); }
    // Bench i, 0-based, in the order of the ports.
    SimLink* Link(int i) const { return i >= 0 && i < links_.size() ? links_[i] : nullptr; }
    // The link of port number k (COMk); null when no bench is on it.
    SimLink* LinkForPort(int port) const;
    int PortOf(int i) const { return i >= 0 && i < ports_.size() ? ports_[i] : -1; }
    const SimServerConfig& Config() const { return config_; }

private:
    SimServerConfig config_;
    QVector<int> ports_;
    QVector<SimLink*> links_;
};

} // namespace sim
