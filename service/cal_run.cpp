#include "service/cal_run.h"

#include <algorithm>

#include "link/command_slot.h"
#include "link/link.h"
#include "service/param_read_back.h"

namespace {

bool IsCheckState(const std::string& text)
{
    return text == "eParamCheck" || text == "eParamTempDetCheck" || text == "eParamTempGasCheck" ||
           text == "eParamPressCheck" || text == "eParamZeroTempCoeffCheck" || text == "eNH3PolyCoeffCheck";
}

} // namespace

CalRun::CalRun(Link& link, ParamReadBack& readBack, int bench, const CalRunSettings& settings)
    : BenchProcedure(bench),
      link_(link),
      readBack_(readBack),
      settings_(settings),
      machine_(CalLoadPorts{
          [this](int k, uint16_t p) { link_.Benches[size_t(k)].RequestReadFlashParameters(p); },
          [this](int k, uint16_t p, const std::string& text) {
              link_.Benches[size_t(k)].RequestWriteFlashParameters(p, reinterpret_cast<const uint8_t*>(text.data()),
                                                                   int(text.size()));
          },
          [this](int k, uint16_t p) { link_.Benches[size_t(k)].RequestStoreFlashParameters(p); },
          [this](int k, uint16_t p) { readBack_.Load(k, p); },
          [this](int k) { return k == Bench(); },
          [this] { return readBack_.LastText(Bench()); },
          [this] { readBack_.ClearLastText(Bench()); },
          [this](const std::string& text) { Status(text); },
          [this](int ms) { timer_.start(std::max(1, ms * settings_.StepPercent / 100)); },
          [this] { timer_.stop(); },
          [this](const std::string& text) { warning_ = text; },
      })
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Drive([this] { machine_.Tick(); }); });
    machine_.LoadMode = settings_.Load;
    machine_.CalFileNames[size_t(bench)] = settings_.File;
    machine_.TracePath = settings_.TracePath;
    machine_.FirstBench = bench;
}

template <class F>
void CalRun::Drive(F&& event)
{
    if (Finished())
        return;
    event();
    Update();
}

void CalRun::Status(const std::string& text)
{
    status_ = text;
    if (text == "NAK Error")
        nakSeen_ = true;
    if (IsCheckState(text))
        ++checks_;
}

void CalRun::Start()
{
    SetStage(settings_.Load ? "load" : "check");
    started_ = true;
    Drive([this] { machine_.Start(); });
}

void CalRun::Update()
{
    // A comparison that failed sends the parameter round again (load) or ends the run.
    if (machine_.Retries() > lastRetryCount_) {
        retries_ += machine_.Retries() - lastRetryCount_;
        checks_ -= machine_.Retries() - lastRetryCount_;
    }
    lastRetryCount_ = machine_.Retries();
    SetProgress(std::clamp(checks_, 0, kCalParameters), kCalParameters, retries_);
    if (!started_ || machine_.Running())
        return;
    timer_.stop();
    const bool ok = status_.rfind("Download Successful", 0) == 0 || status_.rfind("Check Successful", 0) == 0;
    if (ok)
        return Finish(true, status_);
    std::string why = status_;
    if (!warning_.empty())
        why += ": " + warning_;
    else if (nakSeen_)
        why += ": parameter " + std::to_string(machine_.Param()) + " refused (NAK)";
    else if (machine_.ErrorFlag())
        why += ": parameter " + std::to_string(machine_.Param()) +
               (settings_.Load ? " not read back as written" : " differs from the file");
    Finish(false, why);
}

void CalRun::Cancel()
{
    if (Finished())
        return;
    machine_.Cancel();
    // The end state closes the files now rather than at the next tick.
    Drive([this] { machine_.Tick(); });
    if (!Finished())
        Finish(false, "cancelled");
}

bool CalRun::Claimed(const RxFrame& frame)
{
    if (Finished() || machine_.CalState() <= 0)
        return false;
    // Refusals of all four flash parameter codes, acknowledgements of the three it steps on.
    const uint8_t c = frame.Code;
    const bool taken = frame.Start == kNak ? (c == 0x48 || c == 0x49 || c == 0x54 || c == 0x55)
                                           : (c == 0x48 || c == 0x49 || c == 0x54);
    if (taken)
        Drive([&] { machine_.Reply(frame); });
    return taken;
}
