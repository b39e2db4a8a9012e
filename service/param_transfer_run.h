#pragma once
// Parameter upload from, or download into, one bench without the window: the window's
// ParamTransfer with only this bench ticked, its own file and its own trace.
#include <QString>
#include <QTimer>

#include <string>

#include "service/bench_procedure.h"
#include "service/param_list.h"
#include "service/param_transfer.h"

class Link;
class ParamReadBack;

struct ParamTransferSettings {
    bool Download = false;
    QString File;        // the parameter file (a "C:\..." name reaches the drive C folder)
    QString TracePath;   // this bench's trace
    int First = 0;       // upload: first and last parameter number
    int Last = 400;
    bool Overwrite = false; // upload: replace an existing file (the window asks)
    int StepMs = ParamTransfer::kTimerMs;
    int Entries = 0;     // download: entries of the file, for the progress
};

class ParamTransferRun : public BenchProcedure, private ParamTransfer::View {
public:
    // names: the parameter list that names the uploaded parameters (may be empty).
    ParamTransferRun(Link& link, ParamReadBack& readBack, const ParameterList& names, int bench,
                     const ParamTransferSettings& settings);

    void Start() override;
    void Cancel() override;
    bool Claimed(const RxFrame& frame) override;
    void TimedOut(uint8_t code) override;

    const ParamTransfer& Transfer() const { return transfer_; }

private:
    // Runs one event of the machine and looks at what it did.
    template <class F>
    void Drive(F&& event);
    void Update();

    // ParamTransfer::View
    void ShowProcessState(const QString& text) override { state_ = text; }
    void ShowParameter(const QString&) override {}
    void SetStartEnabled(bool) override {}
    void StopTimer() override { timer_.stop(); }
    void StartTimer(int ms) override { timer_.start(ms); }
    bool AskOverwrite() override
    {
        declinedOverwrite_ = !settings_.Overwrite;
        return settings_.Overwrite;
    }
    std::string ParamName(int number) override;
    int64_t NowSeconds() override;
    void SendLoad(int bench, uint16_t number) override;
    void SendRead(int bench, uint16_t number) override;
    void SendWrite(int bench, uint16_t number, const uint8_t* text, int length) override;
    void SendStore(int bench, uint16_t number) override;

    Link& link_;
    ParamReadBack& readBack_;
    const ParameterList& names_;
    ParamTransferSettings settings_;
    ParamTransfer transfer_;
    QTimer timer_;
    QString state_;
    bool started_ = false;
    int stored_ = 0;
    int retries_ = 0;
    bool declinedOverwrite_ = false;
};
