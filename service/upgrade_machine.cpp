#include "service/upgrade_machine.h"

#include <cstdio>

#include "link/command_slot.h"

SRecordKind UpgradeMachine::Kind = SRecordKind::S2;

namespace {
using Colour = UpgradeDisplay::Colour;
}

void UpgradeMachine::ResetDisplay()
{
    UpgradeDisplay& d = display_;
    d.BootText = {true, Colour::Black};
    for (UpgradeDisplay::Item* i : {&d.EraseText, &d.ProgrammingText, &d.ProgAddress, &d.HexAddressText,
                                    &d.RangeLabel, &d.RangeText})
        *i = {false, Colour::Black};
    d.HexAddress = "000000";
    d.Range = " ";
    d.RecordLine.clear();
    d.Gauge = 0;
    d.Success = false;
    addressMin_ = 4294967295LL;
    addressMax_ = 0;
    linesDone_ = 0;
}

bool UpgradeMachine::Start(int bench, const std::string& path)
{
    // Everything is checked before the first request: boot mode and the erase
    // come first, so a file found wrong later would leave an erased bench.
    FirmwareCheck check = CheckFirmwareFile(path);
    if (!check.Ok()) {
        if (req_.Warning)
            req_.Warning(check.Error.Message);
        return false;
    }
    image_ = std::move(*check.Image);
    Kind = image_.Kind;
    next_ = 0;
    recordsWritten_ = 0;
    bench_ = bench;
    busy_ = true;
    ResetDisplay();
    display_.StartEnabled = false;
    awaiting_ = 0x25;
    req_.StartBootMode(bench_);
    return true;
}

void UpgradeMachine::Reply(const RxFrame& frame)
{
    if (!busy_ || frame.Code != awaiting_)
        return;
    const bool ack = frame.Start == kAck;
    UpgradeDisplay& d = display_;
    switch (frame.Code) {
    case 0x25:
        if (!ack)
            return FailDownload(&UpgradeDisplay::BootText, "Failed to Unlock Download, NAK");
        d.BootText.Look = Colour::Green;
        d.EraseText.Enabled = true;
        awaiting_ = 0x26;
        req_.InitiateFlashDownload(bench_);
        return;
    case 0x26:
        if (!ack)
            return FailDownload(&UpgradeDisplay::EraseText, "Failed to Erase Flash Sectors, NAK");
        d.EraseText.Look = Colour::Green;
        for (UpgradeDisplay::Item* i : {&d.ProgrammingText, &d.ProgAddress, &d.HexAddressText, &d.RangeLabel,
                                        &d.RangeText})
            i->Enabled = true;
        SendNextRecord();
        return;
    case 0x27:
        if (!ack)
            return FailDownload(&UpgradeDisplay::HexAddressText, "Flash Write Failure, NAK");
        SendNextRecord();
        return;
    case 0x28:
        if (!ack)
            return FailDownload(&UpgradeDisplay::ProgrammingText, "Failed to End Programming, NAK");
        req_.SoftReset(bench_);
        Finish();
        return;
    case 0xF0:
        if (!ack)
            return FailDownload(&UpgradeDisplay::HexAddressText, "Soft Reset Failure, NAK");
        Finish();
        return;
    default:
        return;
    }
}

void UpgradeMachine::Finish()
{
    busy_ = false;
    display_.Success = true;
    display_.StartEnabled = true;
}

void UpgradeMachine::SendNextRecord()
{
    UpgradeDisplay& d = display_;
    if (image_.TotalLines > 0)
        d.Gauge = int(int64_t(linesDone_) * 100 / int64_t(image_.TotalLines));
    if (next_ >= image_.Records.size()) {
        d.ProgrammingText.Look = Colour::Green;
        d.Gauge = 100;
        awaiting_ = 0x28;
        req_.EndFlashDownload(bench_);
        return;
    }
    const FirmwareRecord& r = image_.Records[next_++];
    // The edit shows the 0-based index of the file line being sent; the lines up to it are done.
    d.RecordLine = std::to_string(r.Line - 1);
    linesDone_ = r.Line;
    const uint32_t a = r.AddressValue();
    const int64_t low = int64_t(int32_t(a));
    if (low < addressMin_)
        addressMin_ = low;
    const int64_t high = int64_t(a) + int64_t(r.Data.size()) - 1;
    if (high > addressMax_)
        addressMax_ = high;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%08llX-%08llX", static_cast<unsigned long long>(addressMin_),
                  static_cast<unsigned long long>(addressMax_));
    d.Range = buf;
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X", r.Address[0], r.Address[1], r.Address[2], r.Address[3]);
    d.HexAddress = buf;
    ++recordsWritten_;
    awaiting_ = 0x27;
    req_.WriteFlashMemory(bench_, r.Address, r.Data);
}

void UpgradeMachine::FailDownload(UpgradeDisplay::Item UpgradeDisplay::*label, const std::string& message)
{
    busy_ = false;
    req_.EndFlashDownload(bench_); // leave the bench's download mode
    display_.ProgrammingText.Look = Colour::Red;
    (display_.*label).Look = Colour::Red;
    display_.StartEnabled = true;
    if (req_.Warning)
        req_.Warning(message);
}

void UpgradeMachine::Close()
{
    const bool aborted = busy_;
    busy_ = false;
    // A download stopped half-way must not leave the bench in its boot program's
    // download mode; the reply to this request is no longer the run's.
    if (aborted)
        req_.EndFlashDownload(bench_);
    ResetDisplay();
    image_ = FirmwareImage{};
    next_ = 0;
    display_.StartEnabled = true;
    if (aborted && req_.Warning)
        req_.Warning("Download aborted");
}
