#pragma once
// One emulated bench: the protocol and the bench's state, without any I/O.
// Bytes from the host go in through Feed(); reply frames come out through the
// output callback; Advance(nowMs) runs the streams and the timed processes.

#include "sim/sim_faults.h"
#include "sim/sim_frame.h"
#include "sim/sim_model.h"
#include "sim/sim_parameters.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct SimBenchConfig {
    int benchNumber = 1;          // 1..4; goes into the serial number
    uint32_t seed = 1;            // noise, drift and seeded parameters
    int replyPeriodMs = 100;      // stream period of rate 2
    bool lineRate = false;        // stream back to back at the pace of the line instead
    int baud = 115200;            // pace of the emulated line (10 bits per byte)
    // Every frame takes its time on the line both ways: a request is heard once its
    // bytes have crossed at baud, and each frame reaches the host once its own bytes
    // have, one after another. Off, the pty carries frames as fast as it can.
    bool paceLine = false;
    int processMs = 3000;         // how long a zero, span or similar keeps "in progress"
    int partialFrameTimeoutMs = 250; // a request left incomplete this long is dropped
    int userMemoryLocations = 20; // valid locations 1..N of 0x14 and 0x15
    size_t logLimit = 100000;     // entries kept per log; the oldest go first
};

struct SimRequestRecord {
    int64_t timeMs = 0;
    uint8_t start = 0;
    uint8_t code = 0;
    std::vector<uint8_t> data; // bytes after the code
};

struct SimReplyRecord {
    int64_t timeMs = 0;
    uint8_t start = 0;       // 0x06 or 0x15
    uint8_t code = 0;
    bool corrupted = false;  // checksum spoiled on purpose
    std::vector<uint8_t> frame;
};

// The values a data reply (0x01, 0x06, 0x41, 0x44) carried.
struct SimReading {
    int64_t timeMs = 0;
    uint8_t code = 0;
    bool corrupted = false;  // the host will have dropped this frame
    std::array<uint8_t, 16> status{};
    SimMeasurements values;
};

class SimBench {
public:
    using Output = std::function<void(const std::vector<uint8_t>& piece)>;

    explicit SimBench(const SimBenchConfig& config = {});

    // Where reply bytes go; each call is one write to the line.
    void SetOutput(Output out) { output_ = std::move(out); }
    // Called once when the bench vanishes (knob or vanish time).
    void SetVanishHandler(std::function<void()> handler) { onVanish_ = std::move(handler); }

    // Bytes from the host, at the bench clock of the last Advance().
    void Feed(const uint8_t* bytes, size_t n);
    void Feed(const std::vector<uint8_t>& bytes) { Feed(bytes.data(), bytes.size()); }
    // Moves the bench clock (milliseconds, never backwards) and runs what is due.
    void Advance(int64_t nowMs);
    int64_t Now() const { return nowMs_; }
    // Earliest clock time at which Advance() has something to do; -1 when idle.
    int64_t NextEventMs() const;

    // Knobs.
    SimFaults& Faults() { return faults_; }
    void NakCode(uint8_t code, uint8_t reason) { faults_.nakCode[code] = reason; }
    void ClearNak(uint8_t code) { faults_.nakCode.erase(code); }
    void SetSilent(bool on) { faults_.silentAll = on; }
    void SetSilentCode(uint8_t code, bool on);
    void CorruptNextReplies(int n) { faults_.corruptNext = n; }
    void SetCorruptAll(bool on) { faults_.corruptAll = on; }
    void SetNoisePercent(int percent) { faults_.noisePercent = percent; }
    void InsertNoiseBursts(int count) { faults_.noiseNext = count; }
    void SetSplitWrites(bool on) { faults_.splitWrites = on; }
    void SetZeroRequired(bool on) { faults_.zeroRequired = on; }
    // A shorter delay also brings forward the frames already held back.
    void SetReplyDelayMs(int ms);
    // Stream frames go out as NAKs with this reason; -1 ends the storm.
    void SetNakStream(int reason) { faults_.nakStreamReason = reason; }
    // Puts n random bytes on the line, as fast as it takes them.
    void InsertGarbage(int64_t n) { faults_.garbageBytes = n > 0 ? n : 0; }
    void Vanish();
    bool Vanished() const { return vanished_; }
    // Back from vanishing: a bench fresh from power-up, nothing streaming.
    void Reappear();
    // Forces bits on in a status byte (0..15), e.g. a problem flag.
    void SetStatusBits(int index, uint8_t bits);

    SimModel& Model() { return model_; }
    SimParameterStore& Parameters() { return params_; }
    const SimBenchConfig& Config() const { return config_; }
    void SetReplyPeriodMs(int ms) { config_.replyPeriodMs = ms > 0 ? ms : 1; }
    void SetLineRate(bool on, int baud);

    // State a test may want to look at.
    bool Streaming(uint8_t code) const;
    bool InProgress() const { return processUntilMs_ > nowMs_; }
    bool BootMode() const { return flash_.BootMode(); }
    std::array<uint8_t, 16> StatusBytes() const;
    const std::array<uint8_t, 20>& UserMemory(int location) const;
    // Bytes written by 0x27, by 24-bit address.
    const std::map<uint32_t, uint8_t>& FlashImage() const { return flash_.Image(); }
    const SimFlash& Flash() const { return flash_; }
    // Milliseconds one frame of n data bytes takes on the emulated line.
    double FrameMs(size_t dataBytes) const;

    // Observation.
    const std::deque<SimRequestRecord>& Requests() const { return requests_; }
    const std::deque<SimReplyRecord>& Replies() const { return replies_; }
    const std::deque<SimReading>& Readings() const { return readings_; }
    // Called with every data reading as it goes out (the kept log above is bounded).
    std::function<void(const SimReading&)> OnReading;
    int RepliesSent(uint8_t code) const { return replyCount_[code]; }
    // Flash parameter requests (0x48, 0x49, 0x54, 0x55) heard so far.
    int ParameterRequests() const { return paramRequests_; }
    int TotalRepliesSent() const;
    uint64_t NoiseBytesSent() const { return noiseBytes_; }
    uint64_t GarbageBytesSent() const { return garbageSent_; }
    // Frames made but held back by the reply delay.
    size_t DelayedWrites() const { return delayed_.size(); }
    uint64_t RequestsDropped() const { return assembler_.Dropped(); }
    void ClearLogs();

private:
    struct Stream {
        bool on = false;
        bool freon2 = false;
        int64_t nextDueMs = 0;
    };

    void OnRequest(const RequestFrame& frame);
    void Handle(const RequestFrame& f);
    void HandleRate(const RequestFrame& f);
    void HandleParameter(const RequestFrame& f);
    void SendData(uint8_t code);
    void Ack(uint8_t code, const std::vector<uint8_t>& data = {});
    void Nak(uint8_t code, uint8_t reason);
    void Emit(uint8_t start, uint8_t code, const std::vector<uint8_t>& data, const SimReading* reading);
    void Write(const std::vector<uint8_t>& bytes);
    void ReleaseDelayed();
    void SendGarbage();
    void StartProcess() { processUntilMs_ = nowMs_ + config_.processMs; }
    void SoftReset();
    void HandleFlash(const RequestFrame& f);
    void AnswerFlash(uint8_t code, const SimFlash::Answer& a);
    void RunStreams();
    void Trim();
    uint32_t NextRandom();

    std::vector<uint8_t> DataStatusBytes(const SimMeasurements& m, const std::array<uint8_t, 16>& st) const;

    SimBenchConfig config_;
    SimFaults faults_;
    SimModel model_;
    SimParameterStore params_;
    RequestAssembler assembler_;
    Output output_;
    std::function<void()> onVanish_;
    uint32_t rng_;

    int64_t nowMs_ = 0;
    // When the emulated line has sent what the bench gave it. While streaming at
    // line rate it may lag the clock by up to kLineCatchUpMs, so a timer that
    // wakes late costs no line time, yet a long stall is not made up in a burst.
    double lineFreeMs_ = 0;
    bool inStreamRun_ = false;
    // With paceLine: when the line from the host has delivered the last request, and when
    // the line to the host has sent the last frame written to it.
    double inLineMs_ = 0;
    double outLineMs_ = 0;
    // With paceLine: when each frame held back has crossed the line (parallel to delayed_), and how
    // much later than that the last one went out: the clock's whole milliseconds and a late timer
    // are the simulator's delay, not the host's, so a request that follows is counted from the
    // moment the host could have had the reply.
    std::deque<double> pacedEnds_;
    double lastLateMs_ = 0;
    static constexpr double kLineCatchUpMs = 10.0;
    // Garbage goes out in pieces of this size, one per clock step.
    static constexpr int64_t kGarbagePiece = 16384;
    std::deque<std::pair<int64_t, std::vector<uint8_t>>> delayed_; // due time, bytes
    size_t roundRobin_ = 0;
    std::map<uint8_t, Stream> streams_;

    // Bench state.
    bool freon2_ = false;
    int64_t processUntilMs_ = -1;
    bool zeroPending_ = false; // a zero is running; when it ends zero-required clears
    uint8_t pumpState_ = 1;
    uint8_t deviceState_ = 0;
    uint8_t switchState_ = 0x1D;
    uint8_t standbyState_ = 0x40;
    uint8_t filterState_ = 0x21;
    uint8_t demodAlgorithm_ = 0;
    uint8_t mode_ = 1;
    std::array<uint8_t, 3> commandSet_{20, 10, 'A'};
    std::vector<std::array<uint8_t, 20>> userMemory_; // index = location
    std::array<uint8_t, 16> forcedStatus_{};
    int rawIrPhase_ = 0;
    SimFlash flash_{faults_.flash};
    bool vanished_ = false;

    std::deque<SimRequestRecord> requests_;
    std::deque<SimReplyRecord> replies_;
    std::deque<SimReading> readings_;
    std::array<int, 256> replyCount_{};
    uint64_t noiseBytes_ = 0;
    uint64_t garbageSent_ = 0;
    int paramRequests_ = 0;
};

} // namespace sim
