// Port bytes in arbitrary read splits through the receive assembler, the dispatcher, the data
// decoders and the row output into a log file. Checked:
//  - every frame the link takes is one a plain whole-stream scanner finds, in the same order,
//    so how the bytes were split into reads makes no difference;
//  - data replies decode to exactly the fields of their frame (written out from the wire layout);
//  - the log holds only complete CR LF lines.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <array>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "link/bench_record.h"
#include "rows/data_rows.h"
#include "fuzz_check.h"
#include "rows/grid_model.h"
#include "link/link.h"
#include "rows/log_file.h"
#include "support/memory_port.h"
#include "link/message_sink.h"
#include "link/ticks.h"

namespace {

struct Frame {
    uint8_t start, code;
    std::vector<uint8_t> data;
    bool operator==(const Frame&) const = default;
};

// The framing rule on a whole stream: at a start byte (ACK or NAK) whose frame fits and sums to
// zero, take the frame and go on after it; otherwise go on at the next byte. An unfinished frame
// at the end takes everything after it.
std::vector<Frame> ScanWholeStream(const std::vector<uint8_t>& s)
{
    std::vector<Frame> frames;
    size_t p = 0;
    while (p < s.size()) {
        if (s[p] != 0x06 && s[p] != 0x15) {
            ++p;
            continue;
        }
        if (p + 3 > s.size())
            break;
        const size_t length = s[p + 2];
        const size_t end = p + 3 + length; // checksum position
        if (end >= s.size())
            break;
        unsigned sum = 0;
        for (size_t i = p; i <= end; ++i)
            sum += s[i];
        if (sum % 256 == 0) {
            frames.push_back({s[p], s[p + 1], std::vector<uint8_t>(s.begin() + long(p) + 3, s.begin() + long(end))});
            p = end + 1;
        } else {
            ++p;
        }
    }
    return frames;
}

// A memory port that remembers each block the link reads.
struct RecordingPort : MemoryPort {
    std::vector<std::vector<uint8_t>> Blocks;
    void GetBlock(uint8_t* buffer, int n) override
    {
        MemoryPort::GetBlock(buffer, n);
        Blocks.emplace_back(buffer, buffer + n);
    }
};

struct QuietSink : IMessageSink {
    void Show(const QString&, const QString&, Icon) override {}
};

int16_t S16(const std::vector<uint8_t>& d, size_t at) { return int16_t(d[at] << 8 | d[at + 1]); }
int32_t S32(const std::vector<uint8_t>& d, size_t at)
{
    return int32_t(uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3]);
}

// The bench record after a data reply 0x01 (16 bytes) or 0x06 (30 bytes) holds its fields.
void CheckDecoded(const BenchRecord& b, const Frame& f)
{
    for (size_t i = 0; i < 4; ++i)
        FUZZ_CHECK(b.Status[i] == f.data[i]);
    FUZZ_CHECK(b.GasData.CO2 == S16(f.data, 4));
    FUZZ_CHECK(b.GasData.NH3 == S16(f.data, 6));
    FUZZ_CHECK(b.GasData.Freon == S32(f.data, 8));
    FUZZ_CHECK(b.GasData.O2 == S16(f.data, 12));
    FUZZ_CHECK(b.GasData.NO == S16(f.data, 14));
    if (f.code != 0x06)
        return;
    FUZZ_CHECK(b.PressureData.DifPressure == float(S16(f.data, 16)));
    FUZZ_CHECK(b.PressureData.AbsPressure == float(S16(f.data, 18)));
    FUZZ_CHECK(b.ServiceData.RawO2 == S16(f.data, 20));
    FUZZ_CHECK(b.ServiceData.RawNO == S32(f.data, 22));
    FUZZ_CHECK(b.ServiceData.AmbientTemp == float(S16(f.data, 26) * 0.1));
    FUZZ_CHECK(b.ServiceData.Pef == float(S16(f.data, 28) * 0.001));
}

// Slots 0x01 and 0x06 after Start's rate-2 requests: a reply is taken while its slot awaits one or
// streams; a NAK ends the wait, the first ACK starts the stream for good. A taken ACK that is long
// enough is decoded. True when the frame's fields must now be in the bench record.
struct DataSlots {
    struct Slot {
        bool awaiting = true, streaming = false;
    };
    Slot s01, s06;
    bool Accept(const Frame& f)
    {
        if (f.code != 0x01 && f.code != 0x06)
            return false;
        Slot& slot = f.code == 0x01 ? s01 : s06;
        if (!slot.awaiting && !slot.streaming)
            return false;
        slot.awaiting = false;
        if (f.start != 0x06)
            return false;
        slot.streaming = slot.awaiting = true;
        return f.data.size() >= (f.code == 0x01 ? 16u : 30u);
    }
};

CalendarClock FixedClock()
{
    CalendarClock c;
    c.NowSeconds = [] { return int64_t(1000); };
    c.ShortDate = [](int64_t) { return std::string("17/01/2013"); };
    c.LongTime = [](int64_t) { return std::string("00:16:40"); };
    return c;
}

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 14)
        return 0;
    FuzzedDataProvider in(data, size);
    Ticks::SetClock([] { return int64_t(1'000'000); }); // no reply times out

    static Link link; // 4 x 256 command slots: built once, its benches set up anew for each input
    std::array<RecordingPort, 4> ports;
    GridModel grid;
    LogFile log(FixedClock());
    QuietSink sink;
    DataRows rows(link.Benches, grid, FixedClock());
    rows.Log = &log;
    rows.Messages = &sink;

    const uint8_t open = in.ConsumeIntegral<uint8_t>();
    const uint8_t groups = in.ConsumeIntegral<uint8_t>();
    RowSettings& s = rows.Settings;
    s.AveragingMode = in.ConsumeIntegralInRange(0, 2);
    s.SamplesPerBlock = in.ConsumeIntegralInRange(1, 6);
    s.GasConcentration = groups & 1;
    s.Pressures = groups & 2;
    s.AmbTemp = groups & 4;
    s.Pef = groups & 8;
    s.RawNoxO2 = groups & 16;
    s.TimeStamp = groups & 32;
    s.LoggingOn = true;
    for (int k = 0; k < 4; ++k)
        s.PortOpen[size_t(k)] = (open >> k) & 1;

    for (int k = 0; k < 4; ++k) {
        link.Benches[size_t(k)] = BenchRecord{};
        link.Benches[size_t(k)].Rx = RxState{};
        link.Benches[size_t(k)].Setup(&ports[size_t(k)]);
    }
    // Collecting: every decoded data reply goes to the rows.
    struct Collector : LinkSwitches, LinkListener {
        RowSettings& Settings;
        DataRows& Rows;
        Collector(RowSettings& s, DataRows& r) : Settings(s), Rows(r) {}
        bool Closing() const override { return false; }
        bool PortOpen(int k) const override { return Settings.PortOpen[size_t(k)]; }
        bool BenchSwitchedOn(int k) const override { return PortOpen(k); }
        void ReplyDecoded(int k, ReplyKind kind, const RxFrame&) override
        {
            if (kind != ReplyKind::DataStatus)
                return;
            Rows.MarkNewData(k);
            Rows.AddDataRow();
        }
    } collector(s, rows);
    link.SetSwitches(&collector);
    link.Subscribe(collector);

    const std::string path = "/dev/shm/halyard-fuzz-receive-" + std::to_string(getpid()) + ".LOG";
    FUZZ_CHECK(log.Create(QString::fromStdString(path)));
    rows.RebuildHeader();
    rows.RecountActive();
    log.WriteHeaderLine(rows.HeaderLine());
    // Streams of 0x01 and 0x06 as Start asks for them; other codes are refused as unexpected.
    for (auto& b : link.Benches) {
        b.RequestDataStatus(2, false);
        b.RequestDataStatus6(2, false);
    }

    std::array<std::vector<uint8_t>, 4> streams;
    std::array<RxState, 4> shadow{};
    std::array<std::vector<Frame>, 4> taken;
    std::array<std::optional<Frame>, 4> lastDecoded;
    std::array<DataSlots, 4> streams_;
    while (in.remaining_bytes() > 0) {
        const size_t k = in.ConsumeIntegralInRange<size_t>(0, 3);
        const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 300));
        streams[k].insert(streams[k].end(), bytes.begin(), bytes.end());
        ports[k].Receive(bytes);
        ports[k].Blocks.clear();
        link.PortDataAvailable(int(k));
        FUZZ_CHECK(ports[k].In.empty());

        // The frames of the blocks just read, in the order the link dispatched them.
        const size_t before = taken[k].size();
        for (const auto& block : ports[k].Blocks) {
            std::copy(block.begin(), block.end(), shadow[k].RxChunk.begin());
            AssembleChunk(shadow[k], int(block.size()), false, [&](const RxFrame& f) {
                taken[k].push_back({f.Start, f.Code, std::vector<uint8_t>(f.Data.begin(), f.Data.begin() + f.Length)});
            });
        }
        for (size_t i = before; i < taken[k].size(); ++i)
            if (streams_[k].Accept(taken[k][i]))
                lastDecoded[k] = taken[k][i];
        if (lastDecoded[k])
            CheckDecoded(link.Benches[k], *lastDecoded[k]);
    }
    for (size_t k = 0; k < 4; ++k) {
        const std::vector<Frame> model = ScanWholeStream(streams[k]);
        // Frames still unfinished at the end are neither taken nor found.
        FUZZ_CHECK(taken[k] == model);
    }

    log.WriteEmptyLine();
    log.Close();
    const std::string text = ReadFile(path);
    std::remove(path.c_str());
    FUZZ_CHECK(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
    for (size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(text[i] != '\n' || (i > 0 && text[i - 1] == '\r'));
        FUZZ_CHECK(text[i] != '\r' || (i + 1 < text.size() && text[i + 1] == '\n'));
    }
    link.Unsubscribe(collector);
    link.SetSwitches(nullptr);
    Ticks::SetClock({});
    return 0;
}
