#pragma once
// Does the bench answer? System Identification, which changes nothing on a bench; an
// acknowledgement or a refusal both show it is there, the link's time-out that it is not.
#include "service/bench_procedure.h"

class Link;

class BenchProbe : public BenchProcedure {
public:
    BenchProbe(Link& link, int bench) : BenchProcedure(bench), link_(link) {}

    void Start() override;
    void Cancel() override { Finish(false, "cancelled"); }
    bool Claimed(const RxFrame& frame) override;
    void TimedOut(uint8_t code) override;

    // Said in the result of a bench that answered ("firmware file good, 2048 records", say).
    std::string Checked;

private:
    Link& link_;
};
