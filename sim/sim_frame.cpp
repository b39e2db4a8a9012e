#include "sim/sim_frame.h"

#include <algorithm>

namespace sim {

namespace {
bool IsRequestStart(uint8_t b) { return b == kRequestStart || b == kRequestStartFlash; }
} // namespace

std::vector<uint8_t> BuildReply(uint8_t start, uint8_t code, const uint8_t* data, size_t n)
{
    n = std::min<size_t>(n, 255);
    std::vector<uint8_t> frame;
    frame.reserve(n + 4);
    frame.push_back(start);
    frame.push_back(code);
    frame.push_back(static_cast<uint8_t>(n));
    if (n > 0)
        frame.insert(frame.end(), data, data + n);
    uint8_t sum = 0;
    for (uint8_t b : frame)
        sum = static_cast<uint8_t>(sum + b);
    frame.push_back(static_cast<uint8_t>(0x100 - sum));
    return frame;
}

std::vector<uint8_t> BuildReply(uint8_t start, uint8_t code, const std::vector<uint8_t>& data)
{
    return BuildReply(start, code, data.data(), data.size());
}

std::vector<uint8_t> BuildRequest(uint8_t code, const std::vector<uint8_t>& data)
{
    const bool flash = code == 0x26 || code == 0x27 || code == 0x28;
    std::vector<uint8_t> frame;
    frame.push_back(flash ? kRequestStartFlash : kRequestStart);
    frame.push_back(static_cast<uint8_t>(std::min<size_t>(data.size() + 1, 255)));
    frame.push_back(code);
    frame.insert(frame.end(), data.begin(), data.begin() + std::min<size_t>(data.size(), 254));
    uint8_t sum = 0;
    for (uint8_t b : frame)
        sum = static_cast<uint8_t>(sum + b);
    frame.push_back(static_cast<uint8_t>(0x100 - sum));
    return frame;
}

void RequestAssembler::Feed(const uint8_t* bytes, size_t n, int64_t nowMs)
{
    if (n == 0)
        return;
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    lastByteMs_ = nowMs;
    Scan();
}

bool RequestAssembler::Expire(int64_t nowMs, int64_t timeoutMs)
{
    if (buffer_.empty() || nowMs - lastByteMs_ < timeoutMs)
        return false;
    // Give up on the frame in progress and look again after its start byte;
    // every byte left is as stale, so go on until none is left waiting.
    while (!buffer_.empty()) {
        buffer_.erase(buffer_.begin());
        ++dropped_;
        Scan();
    }
    return true;
}

void RequestAssembler::Scan()
{
    size_t pos = 0;
    for (;;) {
        while (pos < buffer_.size() && !IsRequestStart(buffer_[pos]))
            ++pos;
        if (pos >= buffer_.size())
            break;
        const size_t avail = buffer_.size() - pos;
        if (avail < 2)
            break;
        const uint8_t length = buffer_[pos + 1];
        if (length == 0) {
            ++dropped_;
            ++pos;
            continue;
        }
        const size_t total = size_t(length) + 3;
        if (avail < total)
            break;
        uint8_t sum = 0;
        for (size_t i = 0; i < total; ++i)
            sum = static_cast<uint8_t>(sum + buffer_[pos + i]);
        if (sum != 0) {
            ++dropped_;
            ++pos;
            continue;
        }
        RequestFrame frame;
        frame.start = buffer_[pos];
        frame.code = buffer_[pos + 2];
        frame.data.assign(buffer_.begin() + long(pos) + 3, buffer_.begin() + long(pos + total) - 1);
        pos += total;
        // The sink may feed more bytes re-entrantly only through a new Feed;
        // keep the buffer consistent before calling out.
        buffer_.erase(buffer_.begin(), buffer_.begin() + long(pos));
        pos = 0;
        sink_(frame);
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + long(pos));
}

} // namespace sim
