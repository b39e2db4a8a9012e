#pragma once
// Wire formats as the bench sees them: requests come in, replies go out.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

constexpr uint8_t kRequestStart = 0x02;
constexpr uint8_t kRequestStartFlash = 0x22;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;

// One request as it came off the line (code and data bytes after it).
struct RequestFrame {
    uint8_t start = 0;
    uint8_t code = 0;
    std::vector<uint8_t> data;
};

// Builds a reply frame [start][code][N][data][checksum]; the checksum makes the
// 8-bit sum of the whole frame zero. At most 255 data bytes are taken.
std::vector<uint8_t> BuildReply(uint8_t start, uint8_t code, const uint8_t* data, size_t n);
std::vector<uint8_t> BuildReply(uint8_t start, uint8_t code, const std::vector<uint8_t>& data);

// Builds a request frame the way a host does; used by tests and tools.
std::vector<uint8_t> BuildRequest(uint8_t code, const std::vector<uint8_t>& data);

// Assembles request frames from a byte stream. A frame whose checksum fails, or
// whose length byte is 0, is dropped and the hunt resumes at the byte after its
// start byte, so a false start byte in noise never costs the genuine frame
// behind it. A frame left incomplete for longer than the partial-frame time-out
// is dropped the same way (a bench that has seen nothing for a while starts over).
class RequestAssembler {
public:
    using Sink = std::function<void(const RequestFrame&)>;

    explicit RequestAssembler(Sink sink) : sink_(std::move(sink)) {}

    void Feed(const uint8_t* bytes, size_t n, int64_t nowMs);
    // Drops a partial frame older than timeoutMs (and any later false start in
    // the same stale bytes); returns true when it did.
    bool Expire(int64_t nowMs, int64_t timeoutMs);
    size_t Pending() const { return buffer_.size(); }
    int64_t LastByteMs() const { return lastByteMs_; }
    uint64_t Dropped() const { return dropped_; }

private:
    void Scan();

    Sink sink_;
    std::vector<uint8_t> buffer_;
    int64_t lastByteMs_ = 0;
    uint64_t dropped_ = 0;
};

} // namespace sim
