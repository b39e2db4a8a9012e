#include "upgrade_machine.h"

#include <cstdio>

#include "cmd.h"

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
    d.Edit1.clear();
    d.Gauge = 0;
    d.Success = false;
    addressMin_ = 4294967295LL;
    addressMax_ = 0;
    linesDone_ = 0;
}

bool UpgradeMachine::Start(int bench, const std::string& path)
{
    if (!file_.is_open()) {
        file_.open(path, std::ios::in | std::ios::binary);
        if (!file_.is_open()) {
            if (req_.Warning)
                req_.Warning("Cannot open " + path);
            return false;
        }
    }
    bench_ = bench;
    busy_ = true;
    ResetDisplay();
    display_.StartEnabled = false;
    awaiting_ = 0x25;
    req_.StartBootMode(bench_);
    return true;
}

void UpgradeMachine::ScanFile()
{
    // The lines are kept in memory and the file closed: the download then reads
    // exactly what was counted, however the file changes meanwhile.
    lines_.clear();
    next_ = 0;
    std::string line;
    while (file_.is_open() && ReadFirmwareLine(file_, &line))
        lines_.push_back(line);
    file_.close();
    Kind = DecideRecordKind(lines_, Kind);
    recordsWritten_ = 0;
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
        ScanFile();
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
        file_.close();
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
    if (!lines_.empty())
        d.Gauge = int(int64_t(linesDone_) * 100 / int64_t(lines_.size()));
    for (;;) {
        if (next_ >= lines_.size()) {
            d.ProgrammingText.Look = Colour::Green;
            d.Gauge = 100;
            // Erased and nothing written: that is no success, whatever the bench answers.
            if (recordsWritten_ == 0)
                return FailDownload(&UpgradeDisplay::ProgrammingText, "No data records in Hex file");
            awaiting_ = 0x28;
            req_.EndFlashDownload(bench_);
            return;
        }
        const std::string& line = lines_[next_++];
        if (Kind == SRecordKind::S3 && line.size() >= 2 && (line[1] == '0' || line[1] == '7')) {
            ++linesDone_;
            continue;
        }
        d.Edit1 = std::to_string(linesDone_);
        ++linesDone_;
        const SRecord r = ParseSRecord(line, Kind);
        if (r.Outcome == SRecord::Result::NotData)
            continue;
        if (r.Outcome == SRecord::Result::Invalid)
            return FailDownload(&UpgradeDisplay::HexAddressText, "Invalid data in Hex file");
        if (r.Data.empty())
            continue; // a record with no data bytes has nothing to write
        // The write request carries 24 address bits: a higher address would land
        // on the wrong flash location, so it is refused rather than wrapped.
        if (r.Address[0] != 0)
            return FailDownload(&UpgradeDisplay::HexAddressText, "Address beyond 24 bits in Hex file");
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
        return;
    }
}

void UpgradeMachine::FailDownload(UpgradeDisplay::Item UpgradeDisplay::*label, const std::string& message)
{
    busy_ = false;
    file_.close();
    req_.EndFlashDownload(bench_); // leave the bench's download mode
    display_.ProgrammingText.Look = Colour::Red;
    (display_.*label).Look = Colour::Red;
    display_.StartEnabled = true;
    if (req_.Warning)
        req_.Warning(message);
}

void UpgradeMachine::Close()
{
    ResetDisplay();
    busy_ = false;
    file_.close();
    lines_.clear();
    display_.StartEnabled = true;
}
