#pragma once
// One flash parameter request to one bench, as the parameter editor's buttons send it:
// read (RAM), write (RAM), store (RAM to flash) or load (flash to RAM, then read back as the
// editor does). Done at the reply; a refusal or the link's time-out fails it.
#include <cstdint>
#include <string>

#include "service/bench_procedure.h"

class Link;
class ParamReadBack;

class ParamRequestRun : public BenchProcedure {
public:
    enum class Action { Read, Write, Store, Load };

    // text: for Write, the value text as the editor sends it (blanks already taken out).
    ParamRequestRun(Link& link, ParamReadBack& readBack, int bench, Action action, uint16_t number,
                    std::string text = {});

    void Start() override;
    void Cancel() override;
    bool Claimed(const RxFrame& frame) override;
    void TimedOut(uint8_t code) override;

private:
    Link& link_;
    ParamReadBack& readBack_;
    Action action_;
    uint16_t number_;
    std::string text_;
    uint8_t code_ = 0;   // the request whose reply ends the run
};
