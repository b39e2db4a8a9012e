#include "service/param_transfer_run.h"

#include <QDateTime>

#include <algorithm>

#include "link/command_slot.h"
#include "link/link.h"
#include "service/param_read_back.h"

namespace {
bool IsFlashParamCode(uint8_t c) { return c == 0x48 || c == 0x49 || c == 0x54 || c == 0x55; }
} // namespace

ParamTransferRun::ParamTransferRun(Link& link, ParamReadBack& readBack, const ParameterList& names, int bench,
                                   const ParamTransferSettings& settings)
    : BenchProcedure(bench), link_(link), readBack_(readBack), names_(names), settings_(settings), transfer_(*this)
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Drive([this] { transfer_.TimerTick(); }); });
    transfer_.TimerMs = settings_.StepMs;
    transfer_.TracePath = settings_.TracePath;
    transfer_.BenchFlags.fill(false);
    transfer_.BenchFlags[size_t(bench)] = true;
    transfer_.ParamFileNames[size_t(bench)] = settings_.File;
    transfer_.MaxParam = settings_.Last;
    transfer_.FirstParam = settings_.First;
}

template <class F>
void ParamTransferRun::Drive(F&& event)
{
    if (Finished())
        return;
    const int retriesBefore = transfer_.TransferRetries + transfer_.ReadBackMismatches;
    event();
    const int retriesAfter = transfer_.TransferRetries + transfer_.ReadBackMismatches;
    if (retriesAfter > retriesBefore)
        retries_ += retriesAfter - retriesBefore;
    Update();
}

void ParamTransferRun::Start()
{
    SetStage(settings_.Download ? "download" : "upload");
    started_ = true;
    Drive([this] { transfer_.Start(settings_.Download); });
}

void ParamTransferRun::Update()
{
    if (settings_.Download) {
        SetProgress(stored_, settings_.Entries, retries_);
    } else {
        const int total = settings_.Last - settings_.First + 1;
        // The machine passes the other (unticked) benches before and after this one.
        const int done = transfer_.TransferBench > Bench() ? total
                         : transfer_.TransferBench == Bench() ? transfer_.ParamIndex - settings_.First
                                                              : 0;
        SetProgress(std::clamp(done, 0, std::max(total, 0)), std::max(total, 0), retries_);
    }
    if (!started_ || transfer_.TransferState != 0)
        return;
    timer_.stop();
    const QString text = state_.simplified();
    if (transfer_.TransferError)
        Finish(false, text.toStdString());
    else if (declinedOverwrite_)
        Finish(false, settings_.File.toStdString() + " exists (--overwrite replaces it)");
    else if (transfer_.TransferAbort)
        Finish(false, "cancelled (" + text.toStdString() + ")");
    else
        Finish(true, text.toStdString());
}

void ParamTransferRun::Cancel()
{
    if (Finished())
        return;
    // The end of a bench closes the files; the run is over at once.
    Drive([this] { transfer_.Cancel(); });
    if (!Finished())
        Finish(false, "cancelled");
}

bool ParamTransferRun::Claimed(const RxFrame& f)
{
    if (Finished() || transfer_.TransferState <= 0)
        return false;
    if (f.Start == kNak) {
        if (!IsFlashParamCode(f.Code))
            return false;
        timer_.stop();
        Drive([&] { transfer_.Refusal(f.Code, f.Length > 0 ? f.Data[0] : uint8_t(0)); });
        return true;
    }
    // Load Flash Parameters ($55) is acknowledged without a step: its read-back comes next.
    if (f.Code != 0x48 && f.Code != 0x49 && f.Code != 0x54)
        return false;
    timer_.stop();
    Drive([&] { transfer_.Reply(f); });
    return true;
}

void ParamTransferRun::TimedOut(uint8_t code)
{
    if (!Finished() && transfer_.TransferState > 0 && IsFlashParamCode(code))
        Drive([&] { transfer_.Timeout(code); });
}

std::string ParamTransferRun::ParamName(int number)
{
    // Numbers past the list have no entry: their name is left empty.
    if (number < 0 || number >= kParamCount)
        return {};
    return names_[size_t(number)].Name;
}

int64_t ParamTransferRun::NowSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void ParamTransferRun::SendLoad(int bench, uint16_t number) { readBack_.Load(bench, number); }
void ParamTransferRun::SendRead(int bench, uint16_t number) { link_.Benches[size_t(bench)].RequestReadFlashParameters(number); }
void ParamTransferRun::SendWrite(int bench, uint16_t number, const uint8_t* text, int length)
{
    link_.Benches[size_t(bench)].RequestWriteFlashParameters(number, text, length);
}
void ParamTransferRun::SendStore(int bench, uint16_t number)
{
    // A first store of an entry (a repeated one follows a refusal or time-out).
    if (transfer_.TransferRetries == 0)
        ++stored_;
    link_.Benches[size_t(bench)].RequestStoreFlashParameters(number);
}
