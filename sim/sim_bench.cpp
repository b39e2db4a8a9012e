#include "sim/sim_bench.h"

#include <cmath>

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr uint8_t kNakIllegalValue = 0x01;
constexpr uint8_t kNakInvalidPassword = 0x45;
constexpr uint8_t kNakInvalidParameter = 0x46;
constexpr uint16_t kStoreAccessCode = 0x5EA3;

struct LengthRange {
    int min;
    int max;
};

// Request payload length (code included) each command must come with; a frame
// of a known code with any other length is not understood and gets no answer.
bool ExpectedLength(uint8_t code, LengthRange* range)
{
    switch (code) {
    case 0x01: case 0x06: case 0x44:
        *range = {3, 3}; return true;
    case 0x40: case 0x41: case 0x42:
    case 0x02: case 0x07: case 0x09: case 0x13: case 0x14: case 0x17:
    case 0x45: case 0x46: case 0x52:
        *range = {2, 2}; return true;
    case 0x03:
        *range = {2, 12}; return true;
    case 0x04: case 0x05: case 0x0A: case 0x12: case 0x16: case 0x18:
    case 0x25: case 0x26: case 0x28: case 0x51: case 0x56: case 0x57: case 0x58: case 0xF0:
        *range = {1, 1}; return true;
    case 0x08: case 0x49: case 0x55: case 0xF1:
        *range = {3, 3}; return true;
    case 0x0B: case 0x11: case 0x50:
        *range = {4, 4}; return true;
    case 0x15:
        *range = {22, 22}; return true;
    case 0x27: case 0x48:
        *range = {4, 255}; return true;
    case 0x54: case 0xD4:
        *range = {5, 5}; return true;
    default:
        return false;
    }
}

void Put16(std::vector<uint8_t>& v, int32_t x)
{
    v.push_back(uint8_t((x >> 8) & 0xFF));
    v.push_back(uint8_t(x & 0xFF));
}

void Put32(std::vector<uint8_t>& v, int32_t x)
{
    const uint32_t u = uint32_t(x);
    v.push_back(uint8_t(u >> 24));
    v.push_back(uint8_t(u >> 16));
    v.push_back(uint8_t(u >> 8));
    v.push_back(uint8_t(u));
}

void PutText(std::vector<uint8_t>& v, const char* text, size_t width)
{
    const size_t n = std::min(std::strlen(text), width);
    v.insert(v.end(), text, text + n);
    v.insert(v.end(), width - n, 0); // short fields end in zero bytes
}

bool IsDataCode(uint8_t code) { return code == 0x01 || code == 0x06 || code == 0x44; }

} // namespace

SimBench::SimBench(const SimBenchConfig& config)
    : config_(config),
      model_(config.seed * 2654435761u + uint32_t(config.benchNumber)),
      params_(config.seed + uint32_t(config.benchNumber)),
      assembler_([this](const RequestFrame& f) { OnRequest(f); }),
      rng_(config.seed * 747796405u + 2891336453u + uint32_t(config.benchNumber))
{
    if (config_.replyPeriodMs <= 0)
        config_.replyPeriodMs = 1;
    if (config_.baud <= 0)
        config_.baud = 115200;
    config_.userMemoryLocations = std::clamp(config_.userMemoryLocations, 1, 255);
    userMemory_.resize(size_t(config_.userMemoryLocations) + 1);
    for (uint8_t code : {0x01, 0x06, 0x44, 0x40, 0x41, 0x42})
        streams_[code] = Stream{};
    model_.Advance(0);
}

uint32_t SimBench::NextRandom()
{
    // xorshift: cheap and reproducible from the seed
    rng_ ^= rng_ << 13;
    rng_ ^= rng_ >> 17;
    rng_ ^= rng_ << 5;
    return rng_;
}

void SimBench::SetSilentCode(uint8_t code, bool on)
{
    if (on)
        faults_.silentCodes.insert(code);
    else
        faults_.silentCodes.erase(code);
}

void SimBench::SetReplyDelayMs(int ms)
{
    faults_.replyDelayMs = std::max(ms, 0);
    for (auto& [due, bytes] : delayed_)
        due = std::min(due, nowMs_ + faults_.replyDelayMs);
}

void SimBench::SetStatusBits(int index, uint8_t bits)
{
    if (index >= 0 && index < 16)
        forcedStatus_[size_t(index)] = bits;
}

void SimBench::SetLineRate(bool on, int baud)
{
    config_.lineRate = on;
    if (baud > 0)
        config_.baud = baud;
}

bool SimBench::Streaming(uint8_t code) const
{
    auto it = streams_.find(code);
    return it != streams_.end() && it->second.on;
}

const std::array<uint8_t, 20>& SimBench::UserMemory(int location) const
{
    static const std::array<uint8_t, 20> empty{};
    if (location < 0 || size_t(location) >= userMemory_.size())
        return empty;
    return userMemory_[size_t(location)];
}

double SimBench::FrameMs(size_t dataBytes) const
{
    return double(dataBytes + 4) * 10.0 * 1000.0 / double(config_.baud);
}

int SimBench::TotalRepliesSent() const
{
    int total = 0;
    for (int n : replyCount_)
        total += n;
    return total;
}

void SimBench::ClearLogs()
{
    requests_.clear();
    replies_.clear();
    readings_.clear();
    replyCount_.fill(0);
    noiseBytes_ = 0;
}

std::array<uint8_t, 16> SimBench::StatusBytes() const
{
    std::array<uint8_t, 16> st{};
    uint8_t s0 = 0;
    if (standbyState_ & 0x80)
        s0 |= 0x80; // operating mode 2: standby
    if (faults_.zeroRequired)
        s0 |= 0x20;
    if (InProgress())
        s0 |= 0x10;
    if (pumpState_ == 1)
        s0 |= 0x02;
    if (freon2_)
        s0 |= 0x01;
    st[0] = s0;
    if (pumpState_ == 1)
        st[14] |= 0x20; // engineering pump state "on"
    for (size_t i = 0; i < 16; ++i)
        st[i] |= forcedStatus_[i];
    return st;
}

void SimBench::Feed(const uint8_t* bytes, size_t n)
{
    if (vanished_ || bytes == nullptr)
        return;
    assembler_.Feed(bytes, n, nowMs_);
}

void SimBench::Advance(int64_t nowMs)
{
    if (nowMs < nowMs_)
        nowMs = nowMs_;
    nowMs_ = nowMs;
    if (vanished_)
        return;
    if (faults_.vanishAtMs >= 0 && nowMs_ >= faults_.vanishAtMs) {
        Vanish();
        return;
    }
    assembler_.Expire(nowMs_, config_.partialFrameTimeoutMs);
    model_.Advance(nowMs_);
    if (zeroPending_ && !InProgress()) {
        zeroPending_ = false;
        faults_.zeroRequired = false;
    }
    SendGarbage();
    RunStreams();
    ReleaseDelayed();
}

void SimBench::SendGarbage()
{
    if (faults_.garbageBytes <= 0)
        return;
    const int64_t n = std::min(faults_.garbageBytes, kGarbagePiece);
    std::vector<uint8_t> piece(size_t(n), 0);
    for (uint8_t& b : piece)
        b = uint8_t(NextRandom() >> 24); // every value, 0x06 and 0x15 included
    faults_.garbageBytes -= n;
    garbageSent_ += uint64_t(n);
    Write(piece);
}

void SimBench::ReleaseDelayed()
{
    // In order of making: a frame never overtakes one made before it.
    while (!delayed_.empty() && delayed_.front().first <= nowMs_) {
        const std::vector<uint8_t> bytes = std::move(delayed_.front().second);
        delayed_.pop_front();
        if (!pacedEnds_.empty()) {
            lastLateMs_ = std::max(0.0, double(nowMs_) - pacedEnds_.front());
            pacedEnds_.pop_front();
        }
        if (output_)
            output_(bytes);
    }
}

void SimBench::Reappear()
{
    if (!vanished_)
        return;
    vanished_ = false;
    faults_.vanishAtMs = -1;
    for (auto& [code, s] : streams_)
        s.on = false;
    delayed_.clear();
    pacedEnds_.clear();
    lineFreeMs_ = double(nowMs_);
    inLineMs_ = outLineMs_ = double(nowMs_);
    SoftReset();
}

int64_t SimBench::NextEventMs() const
{
    if (vanished_)
        return -1;
    int64_t next = -1;
    auto consider = [&](int64_t t) {
        if (t >= 0 && (next < 0 || t < next))
            next = t;
    };
    consider(faults_.vanishAtMs);
    if (faults_.garbageBytes > 0)
        consider(nowMs_);
    if (!delayed_.empty())
        consider(delayed_.front().first);
    if (assembler_.Pending() > 0)
        consider(assembler_.LastByteMs() + config_.partialFrameTimeoutMs);
    if (zeroPending_)
        consider(processUntilMs_);
    for (const auto& [code, s] : streams_) {
        if (!s.on)
            continue;
        if (config_.lineRate)
            consider(int64_t(lineFreeMs_ + 0.999));
        else
            consider(s.nextDueMs);
    }
    return next;
}

void SimBench::RunStreams()
{
    if (config_.lineRate) {
        std::vector<uint8_t> on;
        for (const auto& [code, s] : streams_)
            if (s.on)
                on.push_back(code);
        // One frame after another, each once the line is free: never faster than the line.
        // The time the line was free before this step still counts, up to the catch-up cap.
        if (on.empty())
            return;
        lineFreeMs_ = std::max(lineFreeMs_, double(nowMs_) - kLineCatchUpMs);
        inStreamRun_ = true;
        for (int guard = 0; lineFreeMs_ <= double(nowMs_) && guard < 64; ++guard) {
            const uint8_t code = on[roundRobin_++ % on.size()];
            SendData(code);
        }
        inStreamRun_ = false;
        return;
    }
    for (auto& [code, s] : streams_) {
        if (!s.on || nowMs_ < s.nextDueMs)
            continue;
        SendData(code);
        s.nextDueMs += config_.replyPeriodMs;
        if (s.nextDueMs <= nowMs_) // fell behind: no burst to catch up
            s.nextDueMs = nowMs_ + config_.replyPeriodMs;
    }
}

void SimBench::Vanish()
{
    if (vanished_)
        return;
    vanished_ = true;
    for (auto& [code, s] : streams_)
        s.on = false;
    delayed_.clear(); // the line is gone with what it held
    pacedEnds_.clear();
    if (onVanish_)
        onVanish_();
}

void SimBench::Trim()
{
    while (requests_.size() > config_.logLimit)
        requests_.pop_front();
    while (replies_.size() > config_.logLimit)
        replies_.pop_front();
    while (readings_.size() > config_.logLimit)
        readings_.pop_front();
}

void SimBench::OnRequest(const RequestFrame& frame)
{
    requests_.push_back(SimRequestRecord{nowMs_, frame.start, frame.code, frame.data});
    Trim();
    if (vanished_)
        return;
    // The pty hands over a request at once; on the line its last byte comes a frame's time later.
    if (config_.paceLine)
        inLineMs_ = std::max(inLineMs_, double(nowMs_) - lastLateMs_) + FrameMs(frame.data.size());
    LengthRange range{};
    const int length = int(frame.data.size()) + 1;
    if (ExpectedLength(frame.code, &range) && (length < range.min || length > range.max))
        return;
    auto nak = faults_.nakCode.find(frame.code);
    if (nak != faults_.nakCode.end()) {
        Nak(frame.code, nak->second);
        return;
    }
    Handle(frame);
}

void SimBench::Handle(const RequestFrame& f)
{
    const auto& d = f.data;
    const uint8_t code = f.code;
    switch (code) {
    case 0x01: case 0x06: case 0x44: case 0x40: case 0x41: case 0x42:
        HandleRate(f);
        return;
    case 0x02: // zero; zero-required clears when it has run
        StartProcess();
        zeroPending_ = true;
        Ack(code);
        return;
    case 0x03: {
        const uint8_t mask = d[0] & 0x1F;
        int bits = 0;
        for (int b = 0; b < 5; ++b)
            bits += (mask >> b) & 1;
        if (mask == 0 || d.size() != size_t(1 + 2 * bits)) {
            Nak(code, kNakIllegalValue);
            return;
        }
        StartProcess();
        Ack(code);
        return;
    }
    case 0x04:
    case 0x51: {
        char serial[8];
        std::snprintf(serial, sizeof serial, "KS%04d", 1000 + std::clamp(config_.benchNumber, 0, 8999));
        std::vector<uint8_t> v;
        PutText(v, serial, 6);
        PutText(v, "2100", 4);
        PutText(v, "HW-4410-01", 10);
        PutText(v, "C", 2);
        PutText(v, "SW-7720-05", 10);
        PutText(v, "12", 2);
        if (code == 0x51) {
            PutText(v, "CAL-118-00", 10);
            PutText(v, "03", 2);
            PutText(v, "CCL-92", 10);
            PutText(v, "01", 2);
        }
        Ack(code, v);
        return;
    }
    case 0x05: {
        const SimMeasurements m = model_.Sample();
        std::vector<uint8_t> v;
        Put16(v, m.ambientTemp);
        Put16(v, m.pef);
        Put16(v, m.adcA);
        Put16(v, m.adcB);
        Put16(v, m.pulsesPerMinute);
        Ack(code, v);
        return;
    }
    case 0x07:
    case 0x52:
        if (d[0] > 2) {
            Nak(code, kNakIllegalValue);
            return;
        }
        if (d[0] < 2)
            pumpState_ = d[0];
        Ack(code, {pumpState_});
        return;
    case 0x08:
        deviceState_ = uint8_t((deviceState_ & ~d[0]) | (d[1] & d[0]));
        Ack(code, {deviceState_});
        return;
    case 0x09: case 0x0A: case 0x56: case 0x57:
        if (code == 0x56)
            params_.StoreDefaults();
        if (code == 0x57)
            params_.ResetToDefaults();
        Ack(code);
        return;
    case 0x0B: case 0x58:
        StartProcess();
        Ack(code);
        return;
    case 0x11:
    case 0x50: {
        const bool ok = code == 0x11 ? (d[0] == 1 || d[0] == 2) : (d[0] == 0x08 || d[0] == 0x88);
        if (!ok) {
            Nak(code, kNakIllegalValue);
            return;
        }
        StartProcess();
        Ack(code);
        return;
    }
    case 0x12: {
        const SimMeasurements m = model_.Sample();
        std::vector<uint8_t> v;
        Put16(v, m.rawO2);
        Put32(v, m.rawNO);
        Ack(code, v);
        return;
    }
    case 0x13:
        if (d[0] & 0x80)
            switchState_ = d[0] & 0x1F;
        Ack(code, {switchState_});
        return;
    case 0x14:
    case 0x15: {
        const int loc = d[0];
        if (loc < 1 || loc > config_.userMemoryLocations) {
            Nak(code, kNakIllegalValue);
            return;
        }
        auto& cell = userMemory_[size_t(loc)];
        if (code == 0x15) {
            std::copy(d.begin() + 1, d.begin() + 21, cell.begin());
            Ack(code);
        } else {
            Ack(code, std::vector<uint8_t>(cell.begin(), cell.end()));
        }
        return;
    }
    case 0x16: {
        const SimMeasurements m = model_.Sample();
        std::vector<uint8_t> v;
        Put16(v, m.difPressure);
        Put16(v, m.absPressure);
        Put16(v, m.ambPressure);
        Ack(code, v);
        return;
    }
    case 0x17: {
        const uint8_t action = d[0] & 0xC0;
        if (action == 0xC0) {
            Nak(code, kNakIllegalValue);
            return;
        }
        if (action != 0)
            standbyState_ = action;
        Ack(code, {standbyState_});
        return;
    }
    case 0x18: {
        uint32_t sum = 0x3C5A129Eu;
        if (!flash_.Image().empty()) {
            sum = 0;
            for (const auto& [addr, b] : flash_.Image())
                sum += b;
        }
        Ack(code, {uint8_t(sum >> 24), uint8_t(sum >> 16), uint8_t(sum >> 8), uint8_t(sum)});
        return;
    }
    case 0x25: case 0x26: case 0x27: case 0x28:
        HandleFlash(f);
        return;
    case 0x45:
        filterState_ = d[0];
        Ack(code, {filterState_});
        return;
    case 0x46:
        if (d[0] > 1) {
            Nak(code, kNakIllegalValue);
            return;
        }
        demodAlgorithm_ = d[0];
        Ack(code, {demodAlgorithm_});
        return;
    case 0x48: case 0x49: case 0x54: case 0x55:
        HandleParameter(f);
        return;
    case 0xD4:
        if (d[0] != 0 || d[1] != 0)
            commandSet_ = {d[0], d[1], 'A'};
        Ack(code, std::vector<uint8_t>(commandSet_.begin(), commandSet_.end()));
        return;
    case 0xF0:
        Ack(code);
        SoftReset();
        return;
    case 0xF1:
        if (d[0] > 2 || (d[0] != 0 && d[1] > 7)) {
            Nak(code, kNakIllegalValue);
            return;
        }
        if (d[0] != 0)
            mode_ = d[1];
        Ack(code, {mode_});
        return;
    default:
        Nak(code, kNakNotAllowed);
        return;
    }
}

void SimBench::HandleRate(const RequestFrame& f)
{
    const uint8_t code = f.code;
    const uint8_t rate = f.data[0];
    const bool data = IsDataCode(code);
    if (rate > 2 || (data && f.data[1] > 1)) {
        Nak(code, kNakIllegalValue);
        return;
    }
    Stream& s = streams_[code];
    if (data) {
        s.freon2 = f.data[1] == 1;
        freon2_ = s.freon2;
    }
    s.on = rate == 2;
    if (s.on) {
        s.nextDueMs = nowMs_ + config_.replyPeriodMs;
        if (config_.lineRate && lineFreeMs_ > double(nowMs_))
            return; // the line is busy with the stream: the first reply follows when it is free
    }
    SendData(code);
}

void SimBench::HandleParameter(const RequestFrame& f)
{
    const auto& d = f.data;
    const uint8_t code = f.code;
    ++paramRequests_;
    if (faults_.silentFromParamRequest > 0 && paramRequests_ >= faults_.silentFromParamRequest)
        return;
    size_t at = 0;
    if (code == 0x54) {
        const uint16_t access = uint16_t((d[0] << 8) | d[1]);
        if (access != kStoreAccessCode) {
            Nak(code, kNakInvalidPassword);
            return;
        }
        at = 2;
    }
    const int number = (d[at] << 8) | d[at + 1];
    if (!SimParameterStore::Valid(number)) {
        Nak(code, kNakInvalidParameter);
        return;
    }
    auto refused = faults_.nakParameter.find(number);
    if (refused != faults_.nakParameter.end()) {
        Nak(code, refused->second);
        return;
    }
    switch (code) {
    case 0x49: {
        const std::string& text = params_.Ram(number);
        Ack(code, std::vector<uint8_t>(text.begin(), text.begin() + long(std::min<size_t>(text.size(), 255))));
        return;
    }
    case 0x48: {
        auto begin = d.begin() + 2;
        auto end = std::find(begin, d.end(), uint8_t(0)); // the text ends at its zero byte
        const uint8_t refusal = params_.CheckWrite(number, std::string(begin, end));
        if (refusal != 0) {
            Nak(code, refusal);
            return;
        }
        params_.Write(number, std::string(begin, end));
        Ack(code);
        return;
    }
    case 0x54:
        params_.Store(number);
        Ack(code);
        return;
    default: // 0x55
        params_.Load(number);
        Ack(code);
        return;
    }
}

void SimBench::HandleFlash(const RequestFrame& f)
{
    const auto& d = f.data;
    switch (f.code) {
    case 0x25: AnswerFlash(f.code, flash_.StartBoot()); return;
    case 0x26: AnswerFlash(f.code, flash_.Erase()); return;
    case 0x27: {
        const uint32_t addr = (uint32_t(d[0]) << 16) | (uint32_t(d[1]) << 8) | d[2];
        AnswerFlash(f.code, flash_.Write(addr, d.data() + 3, d.size() - 3));
        return;
    }
    default: AnswerFlash(f.code, flash_.EndDownload()); return;
    }
}

void SimBench::AnswerFlash(uint8_t code, const SimFlash::Answer& a)
{
    switch (a.What) {
    case SimFlash::Answer::Nak: Nak(code, a.Reason); return;
    case SimFlash::Answer::Drop: return;
    case SimFlash::Answer::Corrupt:
        ++faults_.corruptNext;
        Ack(code);
        return;
    case SimFlash::Answer::Ack: Ack(code); return;
    }
}

void SimBench::SoftReset()
{
    for (auto& [c, s] : streams_)
        s.on = false;
    processUntilMs_ = -1;
    zeroPending_ = false;
    flash_.Reset();
    rawIrPhase_ = 0;
    params_.LoadAll();
}

std::vector<uint8_t> SimBench::DataStatusBytes(const SimMeasurements& m, const std::array<uint8_t, 16>& st) const
{
    std::vector<uint8_t> v(st.begin(), st.begin() + 4);
    Put16(v, m.co2);
    Put16(v, m.nh3);
    Put32(v, m.freon);
    Put16(v, m.o2);
    Put16(v, m.no);
    return v;
}

void SimBench::SendData(uint8_t code)
{
    if (faults_.nakStreamReason >= 0 && Streaming(code)) {
        Nak(code, uint8_t(faults_.nakStreamReason));
        return;
    }
    if (code == 0x40 || code == 0x42) {
        const int phase = rawIrPhase_ % 4;
        rawIrPhase_ = (rawIrPhase_ + 1) % 4;
        std::vector<uint8_t> v;
        v.reserve(201);
        v.push_back(uint8_t(phase));
        for (int s = 0; s < 25; ++s)
            for (int c = 0; c < 4; ++c)
                Put16(v, model_.RawIrSample(phase * 25 + s, c, code == 0x42));
        Emit(kAck, code, v, nullptr);
        return;
    }
    SimReading reading;
    reading.timeMs = nowMs_;
    reading.code = code;
    reading.status = StatusBytes();
    reading.values = model_.Sample();
    const SimMeasurements& m = reading.values;
    std::vector<uint8_t> v;
    switch (code) {
    case 0x01:
        v = DataStatusBytes(m, reading.status);
        break;
    case 0x06:
        v = DataStatusBytes(m, reading.status);
        Put16(v, m.difPressure);
        Put16(v, m.absPressure);
        Put16(v, m.rawO2);
        Put32(v, m.rawNO);
        Put16(v, m.ambientTemp);
        Put16(v, m.pef);
        break;
    case 0x41:
        v.assign(reading.status.begin(), reading.status.end());
        break;
    default: // 0x44
        Put16(v, m.difPressure);
        Put16(v, m.absPressure);
        Put16(v, m.detSrc);
        Put16(v, m.detCel);
        for (int16_t x : m.maxAdc)
            Put16(v, x);
        Put16(v, m.ambPressure);
        Put16(v, 0);
        for (int32_t x : m.demodIR)
            Put32(v, x);
        for (int16_t x : m.minAdc)
            Put16(v, x);
        Put16(v, m.rawO2);
        Put32(v, m.rawNO);
        for (int16_t x : m.detTemp)
            Put16(v, x);
        Put16(v, m.co2);
        Put16(v, m.nh3);
        Put32(v, m.freon);
        Put16(v, m.o2);
        Put16(v, m.no);
        v.insert(v.end(), reading.status.begin(), reading.status.end());
        break;
    }
    Emit(kAck, code, v, &reading);
}

void SimBench::Ack(uint8_t code, const std::vector<uint8_t>& data) { Emit(kAck, code, data, nullptr); }

void SimBench::Nak(uint8_t code, uint8_t reason) { Emit(kNak, code, {reason}, nullptr); }

void SimBench::Emit(uint8_t start, uint8_t code, const std::vector<uint8_t>& data, const SimReading* reading)
{
    if (vanished_)
        return;
    if (config_.lineRate) { // the bench is busy sending even when the line loses it
        const double from = inStreamRun_ ? lineFreeMs_ : std::max(lineFreeMs_, double(nowMs_));
        lineFreeMs_ = from + FrameMs(data.size());
    }
    if (faults_.silentAll || faults_.silentCodes.count(code))
        return;

    std::vector<uint8_t> frame = BuildReply(start, code, data);
    bool corrupted = false;
    if (faults_.corruptAll || faults_.corruptNext > 0) {
        if (faults_.corruptNext > 0)
            --faults_.corruptNext;
        frame.back() ^= 0x5A;
        corrupted = true;
    }

    bool noise = false;
    if (faults_.noiseNext > 0) {
        --faults_.noiseNext;
        noise = true;
    } else if (faults_.noisePercent > 0 && int(NextRandom() % 100) < faults_.noisePercent) {
        noise = true;
    }
    if (noise) {
        const int n = 1 + int(NextRandom() % uint32_t(std::max(1, faults_.noiseMaxBytes)));
        std::vector<uint8_t> burst;
        for (int i = 0; i < n; ++i) {
            uint8_t b = uint8_t(NextRandom());
            if (!faults_.noiseMayHoldStartBytes && (b == kAck || b == kNak))
                b ^= 0x40;
            burst.push_back(b);
        }
        noiseBytes_ += burst.size();
        Write(burst);
    }

    if (faults_.splitWrites) {
        size_t i = 0;
        while (i < frame.size()) {
            const size_t len = std::min<size_t>(frame.size() - i, 1 + NextRandom() % 3);
            Write(std::vector<uint8_t>(frame.begin() + long(i), frame.begin() + long(i + len)));
            i += len;
        }
    } else {
        Write(frame);
    }

    replies_.push_back(SimReplyRecord{nowMs_, start, code, corrupted, frame});
    ++replyCount_[code];
    if (reading && start == kAck) {
        SimReading r = *reading;
        r.corrupted = corrupted;
        readings_.push_back(r);
        if (OnReading)
            OnReading(r);
    }
    Trim();
}

void SimBench::Write(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return;
    if (config_.paceLine) {
        // A reply starts once its request has arrived and the frames before it have gone.
        outLineMs_ = std::max({outLineMs_, inLineMs_, double(nowMs_)}) + double(bytes.size()) * 10.0 * 1000.0 / double(config_.baud);
        const int64_t due = std::max(int64_t(std::ceil(outLineMs_)), nowMs_ + faults_.replyDelayMs);
        delayed_.emplace_back(std::max(due, delayed_.empty() ? due : delayed_.back().first), bytes);
        pacedEnds_.push_back(outLineMs_);
        ReleaseDelayed();
        return;
    }
    if (faults_.replyDelayMs > 0 || !delayed_.empty()) {
        delayed_.emplace_back(nowMs_ + faults_.replyDelayMs, bytes);
        ReleaseDelayed(); // what was held back goes once the delay is lifted
        return;
    }
    if (output_)
        output_(bytes);
}

} // namespace sim
