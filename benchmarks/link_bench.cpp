// Receive assembler and decoder throughput.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "link/decoders.h"
#include "link/rx_assembler.h"

namespace {
std::vector<uint8_t> EngineeringReply(uint8_t seed)
{
    std::vector<uint8_t> f{0x06, 0x44, 86};
    unsigned sum = 0x06 + 0x44 + 86;
    for (int i = 0; i < 86; ++i) {
        const uint8_t b = uint8_t(seed + i * 7);
        f.push_back(b);
        sum += b;
    }
    f.push_back(uint8_t(-sum));
    return f;
}

// About 1 MB of back-to-back replies, optionally with noise bytes between them. Noise with start
// bytes makes the assembler begin false frames and rescan after each failed checksum.
std::vector<uint8_t> Stream(double noiseShare, bool startBytesInNoise = false)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(0, 1);
    std::uniform_int_distribution<int> noiseByte(0x20, 0x7E); // never a start byte
    const uint8_t falseStarts[] = {0x15, 0x06, 0x00, 0x15};   // noise seen on real lines
    std::vector<uint8_t> s;
    for (uint8_t i = 0; s.size() < (1u << 20); ++i) {
        const auto f = EngineeringReply(i);
        for (uint8_t b : f) {
            s.push_back(b);
        }
        const size_t noise = size_t(double(f.size()) * noiseShare / (1 - noiseShare) * 2 * u(rng));
        for (size_t n = 0; n < noise; ++n)
            s.push_back(startBytesInNoise ? falseStarts[n % 4] : uint8_t(noiseByte(rng)));
    }
    return s;
}

void Assemble(benchmark::State& state, double noiseShare, bool startBytesInNoise = false)
{
    const auto stream = Stream(noiseShare, startBytesInNoise);
    RxState rx;
    size_t frames = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < stream.size(); at += 256) {
            const int n = int(std::min<size_t>(256, stream.size() - at));
            std::copy_n(stream.begin() + at, n, rx.RxChunk.begin());
            AssembleChunk(rx, n, false, [&](const RxFrame& f) {
                benchmark::DoNotOptimize(f);
                ++frames;
            });
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_AssembleClean(benchmark::State& state) { Assemble(state, 0.0); }
void BM_AssembleTenPercentNoise(benchmark::State& state) { Assemble(state, 0.10); }
void BM_AssembleTenPercentFalseStarts(benchmark::State& state) { Assemble(state, 0.10, true); }

void BM_DecodeEngineeringData(benchmark::State& state)
{
    const auto bytes = EngineeringReply(3);
    RxFrame f;
    f.Start = bytes[0];
    f.Code = bytes[1];
    f.Length = bytes[2];
    std::copy_n(bytes.begin() + 3, 86, f.Data.begin());
    BenchRecord b;
    for (auto _ : state) {
        benchmark::DoNotOptimize(StoreEngineeringData(b, f));
        benchmark::ClobberMemory();
    }
}
} // namespace

BENCHMARK(BM_AssembleClean);
BENCHMARK(BM_AssembleTenPercentNoise);
BENCHMARK(BM_AssembleTenPercentFalseStarts);
BENCHMARK(BM_DecodeEngineeringData);
BENCHMARK_MAIN();
