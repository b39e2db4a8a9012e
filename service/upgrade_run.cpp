#include "service/upgrade_run.h"

#include "link/command_slot.h"
#include "link/link.h"

UpgradeRun::UpgradeRun(Link& link, int bench, std::string firmwarePath, int noReplyMs)
    : BenchProcedure(bench),
      link_(link),
      path_(std::move(firmwarePath)),
      noReplyMs_(noReplyMs),
      machine_(UpgradeRequests{
          [this](int k) { link_.Benches[size_t(k)].RequestStartBootMode(); },
          [this](int k) { link_.Benches[size_t(k)].RequestInitiateFlashDownload(); },
          [this](int k, const std::array<uint8_t, 4>& address, const std::vector<uint8_t>& data) {
              link_.Benches[size_t(k)].RequestWriteFlashMemory(address, int(data.size()), data.data());
          },
          [this](int k) { link_.Benches[size_t(k)].RequestEndFlashDownload(); },
          [this](int k) { link_.Benches[size_t(k)].RequestSoftReset(); },
          [this](const std::string& text) { warning_ = text; },
      })
{
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { NoReply(); });
}

void UpgradeRun::Start()
{
    SetStage("boot");
    if (!machine_.Start(Bench(), path_))
        return Finish(false, warning_.empty() ? "firmware file refused" : warning_);
    watchdog_.start(noReplyMs_);
    Update();
}

bool UpgradeRun::Claimed(const RxFrame& frame)
{
    if (Finished())
        return true; // the Soft Reset's late reply, say: the download is over
    machine_.Reply(frame);
    if (machine_.Busy())
        watchdog_.start(noReplyMs_);
    Update();
    return true;
}

void UpgradeRun::Update()
{
    const UpgradeDisplay& d = machine_.Display();
    if (d.ProgrammingText.Look == UpgradeDisplay::Colour::Green)
        SetStage("end");
    else if (d.EraseText.Look == UpgradeDisplay::Colour::Green)
        SetStage("programming");
    else if (d.BootText.Look == UpgradeDisplay::Colour::Green && d.EraseText.Enabled)
        SetStage("erase");
    SetProgress(machine_.RecordsWritten(), machine_.TotalRecords(), 0);
    if (machine_.Busy())
        return;
    watchdog_.stop();
    if (d.Success)
        Finish(true, std::to_string(machine_.RecordsWritten()) + " records written, bench reset");
    else
    {
        std::string why = warning_.empty() ? std::string("download failed") : warning_;
        if (machine_.RecordsWritten() > 0)
            why += " at record " + std::to_string(machine_.RecordsWritten()) + " of " + std::to_string(machine_.TotalRecords());
        Finish(false, why + " (End Flash Download sent)");
    }
}

void UpgradeRun::Cancel()
{
    watchdog_.stop();
    if (Finished())
        return;
    const bool running = machine_.Busy();
    machine_.Close(); // a download in progress gets End Flash Download
    Finish(false, running ? "cancelled: download aborted, End Flash Download sent" : "cancelled");
}

void UpgradeRun::NoReply()
{
    if (Finished() || !machine_.Busy())
        return;
    machine_.Close();
    Finish(false, "no reply within " + std::to_string(noReplyMs_ / 1000) +
                      " s: download aborted, End Flash Download sent");
}
