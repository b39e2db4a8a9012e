#include "service/service_station.h"

#include "link/com_port.h"

ServiceStation::ServiceStation()
{
    for (int k = 0; k < 4; ++k) {
        ports_[size_t(k)] = std::make_unique<ComPort>(k + 1);
        ComPort& port = *ports_[size_t(k)];
        link_.Benches[size_t(k)].Setup(&port);
        connect(&port, &ComPort::DataAvailable, this, [this, k] { link_.PortDataAvailable(k); });
        connect(&port, &ComPort::Failed, this, [this, k] {
            open_[size_t(k)] = false;
            link_.ReportPortLost(k);
        });
    }
    link_.SetSwitches(this);
}

ServiceStation::~ServiceStation()
{
    link_.SetSwitches(nullptr);
    CloseAll();
}

bool ServiceStation::OpenBench(int k, int baud, QString* error)
{
    ComPort& port = Port(k);
    port.SetBaud(baud);
    if (!port.Open()) {
        if (error)
            *error = port.LastError().isEmpty() ? port.ComName() + QStringLiteral(": cannot open the port") : port.LastError();
        return false;
    }
    open_[size_t(k)] = true;
    return true;
}

void ServiceStation::CloseAll()
{
    for (int k = 0; k < 4; ++k) {
        ports_[size_t(k)]->Close();
        open_[size_t(k)] = false;
    }
}
