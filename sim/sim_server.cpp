#include "sim/sim_server.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

namespace sim {

QString DefaultDevicesDir()
{
    const QString env = qEnvironmentVariable("HALYARD_DEVICES");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/halyard/devices";
}

SimServer::SimServer(const SimServerConfig& config, QObject* parent) : QObject(parent), config_(config)
{
    if (config_.devicesDir.isEmpty())
        config_.devicesDir = DefaultDevicesDir();
    ports_ = config_.ports;
    if (ports_.isEmpty())
        for (int k = 1; k <= std::clamp(config_.benches, 1, 4); ++k)
            ports_.push_back(k);
}

SimServer::~SimServer() { Stop(); }

bool SimServer::Start(QString* error)
{
    Stop();
    if (!QDir().mkpath(config_.devicesDir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(config_.devicesDir);
        return false;
    }
    for (int i = 0; i < ports_.size(); ++i) {
        SimBenchConfig bc = config_.bench;
        bc.benchNumber = ports_[i];
        auto* link = new SimLink(bc, this);
        link->SetPieceGapMs(config_.pieceGapMs);
        SimFaults faults = config_.faults;
        if (config_.vanishAfterMs >= 0)
            faults.vanishAtMs = link->NowMs() + config_.vanishAfterMs;
        link->Bench().Faults() = faults;
        links_.push_back(link);
        const QString path = QDir(config_.devicesDir).filePath(QStringLiteral("COM%1").arg(ports_[i]));
        QString why;
        if (!link->Open(path, &why)) {
            if (error)
                *error = why;
            Stop();
            return false;
        }
    }
    return true;
}

void SimServer::Stop()
{
    for (SimLink* link : links_) {
        link->Close();
        delete link;
    }
    links_.clear();
}

SimLink* SimServer::LinkForPort(int port) const
{
    for (int i = 0; i < ports_.size() && i < links_.size(); ++i)
        if (ports_[i] == port)
            return links_[i];
    return nullptr;
}

} // namespace sim
