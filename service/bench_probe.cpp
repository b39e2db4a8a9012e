#include "service/bench_probe.h"

#include "link/command_slot.h"
#include "link/link.h"

namespace {
constexpr uint8_t kSystemId = 0x04;
}

void BenchProbe::Start()
{
    SetStage("probe");
    SetProgress(0, 1, 0);
    link_.Benches[size_t(Bench())].RequestSystemId();
}

bool BenchProbe::Claimed(const RxFrame& f)
{
    if (Finished() || f.Code != kSystemId)
        return false;
    SetProgress(1, 1, 0);
    std::string said = f.Start == kNak ? "bench answers (System ID refused" +
                                             NakReasonText(f.Length > 0 ? f.Data[0] : 0) + ")"
                                       : "bench answers, serial number " +
                                             link_.Benches[size_t(Bench())].SystemId.SerialNumber;
    if (!Checked.empty())
        said += "; " + Checked;
    Finish(true, said + "; nothing sent that changes the bench");
    return true;
}

void BenchProbe::TimedOut(uint8_t code)
{
    if (!Finished() && code == kSystemId)
        Finish(false, "no answer to System Identification (time-out)");
}
