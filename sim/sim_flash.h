#pragma once
// The bench's boot program as the firmware download sees it: boot mode, erase,
// flash writes collected into an image, end of download and reset, with knobs
// to refuse, lose or spoil the reply of one chosen step.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace sim {

// NAK reason a bench gives for a request it does not allow in its present state.
inline constexpr uint8_t kNakNotAllowed = 0x02;

struct SimFlashFaults {
    // Refuse the erase (0x26) with this reason; -1 accepts it.
    int nakEraseReason = -1;
    // Refuse the n-th flash write (0x27) of a download, counted from 1, with nakWriteReason; 0 never.
    int nakWriteNumber = 0;
    uint8_t nakWriteReason = kNakNotAllowed;
    // The n-th flash write is carried out but its reply is lost (dropWriteNumber) or
    // arrives with a spoiled checksum (corruptWriteNumber); 0 never.
    int dropWriteNumber = 0;
    int corruptWriteNumber = 0;
};

class SimFlash {
public:
    // What to answer one request with.
    struct Answer {
        enum Kind { Ack, Nak, Drop, Corrupt } What = Ack;
        uint8_t Reason = 0;
    };

    // The knobs stay the owner's (the bench's fault set), read at each request.
    explicit SimFlash(const SimFlashFaults& faults) : faults_(faults) {}

    Answer StartBoot();                                                  // 0x25
    Answer Erase();                                                      // 0x26
    Answer Write(uint32_t address, const uint8_t* data, size_t count);   // 0x27, 24-bit address
    Answer EndDownload();                                                // 0x28
    void Reset();                                                        // soft reset leaves boot mode

    bool BootMode() const { return bootMode_; }
    // Bytes written since the last erase, by 24-bit address.
    const std::map<uint32_t, uint8_t>& Image() const { return image_; }
    // The image from its lowest to its highest address, gaps filled with 0xFF (erased flash).
    std::vector<uint8_t> ImageBytes(uint32_t* firstAddress = nullptr) const;

    int Erases() const { return erases_; }
    int WritesReceived() const { return writes_; }       // in the current download
    int EndDownloads() const { return endDownloads_; }
    int Resets() const { return resets_; }

private:
    const SimFlashFaults& faults_;
    bool bootMode_ = false;
    std::map<uint32_t, uint8_t> image_;
    int erases_ = 0;
    int writes_ = 0;
    int endDownloads_ = 0;
    int resets_ = 0;
};

} // namespace sim
