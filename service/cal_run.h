#pragma once
// Calibration constants loaded into, or checked against, one bench without the window: the
// window's CalLoadMachine with only this bench ticked, its own .CAL file and its own trace,
// and the read-back the parameter editor does for it.
#include <QTimer>

#include <string>

#include "service/bench_procedure.h"
#include "service/cal_load_machine.h"

class Link;
class ParamReadBack;

struct CalRunSettings {
    bool Load = true;          // load, or only check
    std::string File;          // the .CAL file
    std::string TracePath;     // this bench's trace
    int StepPercent = 100;     // the machine's step intervals, as a percentage of its own
};

class CalRun : public BenchProcedure {
public:
    // Parameters a whole file writes or compares: 36 span coefficients, three temperature
    // lists, the zero temperature coefficients and two NH3 sets.
    static constexpr int kCalParameters = 42;

    CalRun(Link& link, ParamReadBack& readBack, int bench, const CalRunSettings& settings);

    void Start() override;
    void Cancel() override;
    bool Claimed(const RxFrame& frame) override;

    const CalLoadMachine& Machine() const { return machine_; }

private:
    template <class F>
    void Drive(F&& event);
    void Status(const std::string& text);
    void Update();

    Link& link_;
    ParamReadBack& readBack_;
    CalRunSettings settings_;
    CalLoadMachine machine_;
    QTimer timer_;
    std::string status_;
    std::string warning_;
    bool nakSeen_ = false;
    bool started_ = false;
    int checks_ = 0;
    int retries_ = 0;
    int lastRetryCount_ = 0;
};
