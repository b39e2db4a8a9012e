#include "service/param_request_run.h"

#include "link/command_slot.h"
#include "link/link.h"
#include "service/param_read_back.h"

namespace {

const char* StageOf(ParamRequestRun::Action a)
{
    switch (a) {
    case ParamRequestRun::Action::Read: return "read";
    case ParamRequestRun::Action::Write: return "write";
    case ParamRequestRun::Action::Store: return "store";
    case ParamRequestRun::Action::Load: return "load";
    }
    return "";
}

} // namespace

ParamRequestRun::ParamRequestRun(Link& link, ParamReadBack& readBack, int bench, Action action, uint16_t number,
                                 std::string text)
    : BenchProcedure(bench), link_(link), readBack_(readBack), action_(action), number_(number), text_(std::move(text))
{
}

void ParamRequestRun::Start()
{
    SetStage(StageOf(action_));
    SetProgress(0, 1, 0);
    BenchRecord& b = link_.Benches[size_t(Bench())];
    switch (action_) {
    case Action::Read:
        code_ = 0x49;
        b.RequestReadFlashParameters(number_);
        break;
    case Action::Write:
        code_ = 0x48;
        b.RequestWriteFlashParameters(number_, reinterpret_cast<const uint8_t*>(text_.data()), int(text_.size()));
        break;
    case Action::Store:
        code_ = 0x54;
        b.RequestStoreFlashParameters(number_);
        break;
    case Action::Load:
        // The acknowledged load is read back (the editor's way); that reply ends the run.
        code_ = 0x49;
        readBack_.ClearLastText(Bench());
        readBack_.Load(Bench(), number_);
        break;
    }
}

void ParamRequestRun::Cancel() { Finish(false, "cancelled"); }

bool ParamRequestRun::Claimed(const RxFrame& f)
{
    if (Finished())
        return false;
    const bool ours = f.Code == code_ || (action_ == Action::Load && f.Code == 0x55);
    if (!ours)
        return false;
    const std::string n = "parameter " + std::to_string(number_);
    if (f.Start == kNak) {
        Finish(false, n + " refused ($" + HexByte(f.Code) + " NAK" + NakReasonText(f.Length > 0 ? f.Data[0] : 0) + ")");
        return true;
    }
    if (f.Code != code_)
        return false; // the load's own ACK: its read-back follows
    SetProgress(1, 1, 0);
    switch (action_) {
    case Action::Read:
    case Action::Load: {
        std::string text;
        for (int i = 0; i < f.Length && f.Data[size_t(i)] != 0; ++i)
            text += char(f.Data[size_t(i)]);
        SetOutput(text);
        Finish(true, n + (action_ == Action::Load ? " loaded from flash: " : ": ") + text);
        break;
    }
    case Action::Write: Finish(true, n + " written to RAM: " + text_); break;
    case Action::Store: Finish(true, n + " stored to flash"); break;
    }
    return true;
}

void ParamRequestRun::TimedOut(uint8_t code)
{
    if (!Finished() && (code == code_ || (action_ == Action::Load && code == 0x55)))
        Finish(false, "parameter " + std::to_string(number_) + ": no reply (time-out)");
}
