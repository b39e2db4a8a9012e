#pragma once
// The four bench ports and the link over them, for service procedures run without a
// window: bench k (0..3) on port COM(k+1) unless told otherwise. Only the benches a run
// names are opened and count as switched on.
#include <QObject>
#include <QString>

#include <array>
#include <memory>

#include "link/link.h"

class ComPort;

class ServiceStation : public QObject, public LinkSwitches {
    Q_OBJECT
public:
    ServiceStation();
    ~ServiceStation() override;

    Link& BenchLink() { return link_; }
    ComPort& Port(int k) { return *ports_[size_t(k)]; }

    // Opens bench k's port at the given rate. False, with the reason, when it cannot be opened.
    bool OpenBench(int k, int baud, QString* error);
    // Closes every port (queued bytes are given their chance first).
    void CloseAll();

    // LinkSwitches
    bool Closing() const override { return false; }
    bool PortOpen(int k) const override { return k >= 0 && k < 4 && open_[size_t(k)]; }
    bool BenchSwitchedOn(int k) const override { return PortOpen(k); }

private:
    std::array<std::unique_ptr<ComPort>, 4> ports_;
    std::array<bool, 4> open_{};
    Link link_;
};
