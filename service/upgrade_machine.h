#pragma once
// The firmware download as a step machine: boot program, erase, one flash
// write per data record (each acknowledged before the next), end of download,
// reset. It knows nothing of widgets: it tells its owner what to send and keeps
// the display state, which the window draws after every event.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "service/firmware_file.h"

struct RxFrame;

struct UpgradeDisplay {
    enum class Colour { Black, Green, Red };
    struct Item {
        bool Enabled = false;
        Colour Look = Colour::Black;
    };
    Item BootText{false, Colour::Green}; // the boot indicator starts green, as designed
    Item EraseText, ProgrammingText;
    Item ProgAddress, HexAddressText, RangeLabel, RangeText;
    std::string HexAddress = "000000";
    std::string Range = "000000";
    std::string RecordLine;
    int Gauge = 0;
    bool Success = false;
    bool StartEnabled = true;
};

// What the machine asks of the bench link; all requests go to one bench.
struct UpgradeRequests {
    std::function<void(int)> StartBootMode;
    std::function<void(int)> InitiateFlashDownload;
    std::function<void(int, const std::array<uint8_t, 4>&, const std::vector<uint8_t>&)> WriteFlashMemory;
    std::function<void(int)> EndFlashDownload;
    std::function<void(int)> SoftReset;
    // A warning box (queued by the message sink while a reply is handled).
    std::function<void(const std::string&)> Warning;
};

class UpgradeMachine {
public:
    explicit UpgradeMachine(UpgradeRequests requests) : req_(std::move(requests)) {}

    // Start with the bench and the chosen file (the window has already refused
    // a missing bench or file). The whole file is read and checked first: a file
    // that cannot be read or is not a good image sends nothing and returns false,
    // with a warning that says what is wrong and on which line.
    bool Start(int bench, const std::string& path);
    // Every expected reply while busy.
    void Reply(const RxFrame& frame);
    // Closing the window: display reset, not busy, Start enabled. A download in
    // progress is aborted: End Flash Download takes the bench out of download
    // mode, and a warning says the download was aborted.
    void Close();
    // Cancel: as closing.
    void Cancel() { Close(); }

    bool Busy() const { return busy_; }
    const UpgradeDisplay& Display() const { return display_; }
    int TotalLines() const { return image_.TotalLines; }
    int LinesDone() const { return linesDone_; }
    int RecordsWritten() const { return recordsWritten_; }
    // Data records of the file being downloaded.
    int TotalRecords() const { return int(image_.Records.size()); }
    int64_t AddressMin() const { return addressMin_; }
    int64_t AddressMax() const { return addressMax_; }

    // The record kind carries over from one file to the next, program-wide.
    static SRecordKind Kind;

private:
    void ResetDisplay();
    void SendNextRecord();
    void FailDownload(UpgradeDisplay::Item UpgradeDisplay::*label, const std::string& message);
    void Finish();

    UpgradeRequests req_;
    UpgradeDisplay display_;
    int bench_ = -1;
    bool busy_ = false;
    // Code of the request the run waits on: a late reply to an earlier run (its Soft Reset, say) is not this run's.
    uint8_t awaiting_ = 0;
    // The checked file, held in memory: the download writes exactly what was
    // checked, however the file changes meanwhile.
    FirmwareImage image_;
    size_t next_ = 0;
    int linesDone_ = 0;
    int recordsWritten_ = 0;
    int64_t addressMin_ = 4294967295LL;
    int64_t addressMax_ = 0;
};
