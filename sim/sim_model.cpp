#include "sim/sim_model.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

Drifter Make(double centre, double walk, double noise, double lo, double hi)
{
    Drifter d;
    d.centre = centre;
    d.walk = walk;
    d.noise = noise;
    d.lo = lo;
    d.hi = hi;
    d.value = centre;
    return d;
}

// Channel amplitudes of the chopper waveform in A/D counts (CO2, NH3, Freon, Ref).
constexpr std::array<int, 4> kAmplitude{14000, 9000, 11000, 18000};
constexpr std::array<int, 4> kOffset{-300, 150, 400, -100};

} // namespace

SimModel::SimModel(uint32_t seed) : rng_(seed)
{
    co2 = Make(420, 60, 4, 0, 1600);
    nh3 = Make(25, 8, 2, 0, 500);
    freon = Make(1200, 150, 10, 0, 100000);
    o2 = Make(2090, 8, 2, 1900, 2200);
    no = Make(35, 10, 2, 0, 4000);
    difPressure = Make(150, 20, 3, -2000, 2000);
    absPressure = Make(7580, 15, 3, 6000, 8200);
    ambPressure = Make(7600, 10, 2, 6000, 8200);
    detSrc = Make(4210, 10, 2, 3000, 6000);
    detCel = Make(4105, 10, 2, 3000, 6000);
    rawO2 = Make(12400, 40, 8, 0, 32000);
    rawNO = Make(158000, 900, 120, 0, 2000000);
    ambientTemp = Make(254, 6, 1, -100, 600);
    pef = Make(518, 3, 1, 400, 700);
    adcA = Make(2480, 4, 2, 0, 5000);
    adcB = Make(1255, 4, 2, 0, 5000);
    pulses = Make(3000, 15, 5, 0, 6000);
    const std::array<double, 4> demod{412000, 265000, 338000, 520000};
    const std::array<double, 4> det{3020, 3015, 3031, 3008};
    for (int c = 0; c < 4; ++c) {
        demodIR[size_t(c)] = Make(demod[size_t(c)], demod[size_t(c)] * 0.004, 200, 0, 2.0e9);
        detTemp[size_t(c)] = Make(det[size_t(c)], 4, 1, 0, 32000);
    }
}

template <typename F> void SimModel::ForEach(F f)
{
    for (Drifter* d : {&co2, &nh3, &freon, &o2, &no, &difPressure, &absPressure, &ambPressure, &detSrc,
                       &detCel, &rawO2, &rawNO, &ambientTemp, &pef, &adcA, &adcB, &pulses})
        f(*d);
    for (auto& d : demodIR)
        f(d);
    for (auto& d : detTemp)
        f(d);
}

double SimModel::Gauss() { return normal_(rng_); }

void SimModel::Step(Drifter& d, double dt)
{
    // Mean-reverting walk with a time constant of a minute: slow drift that
    // stays within about `walk` of the centre.
    constexpr double tau = 60.0;
    const double k = std::min(1.0, dt / tau);
    d.value += (d.centre - d.value) * k + d.walk * std::sqrt(2.0 * k) * Gauss();
    d.value = std::clamp(d.value, d.lo, d.hi);
}

void SimModel::Advance(int64_t nowMs)
{
    if (lastMs_ < 0 || nowMs < lastMs_) {
        lastMs_ = nowMs;
        return;
    }
    const int64_t elapsed = nowMs - lastMs_;
    if (elapsed < 50)
        return; // finer steps add nothing but cost random numbers
    lastMs_ = nowMs;
    if (!drift_)
        return;
    const double dt = double(std::min<int64_t>(elapsed, 600000)) / 1000.0;
    ForEach([&](Drifter& d) { Step(d, dt); });
}

double SimModel::Take(Drifter& d)
{
    if (!drift_)
        return d.centre;
    return std::clamp(d.value + d.noise * Gauss(), d.lo, d.hi);
}

SimMeasurements SimModel::Sample()
{
    auto s16 = [](double v) { return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L)); };
    auto s32 = [](double v) {
        return static_cast<int32_t>(std::clamp<long long>(std::llround(v), INT32_MIN, INT32_MAX));
    };
    SimMeasurements m;
    m.co2 = s16(Take(co2));
    m.nh3 = s16(Take(nh3));
    m.freon = s32(Take(freon));
    m.o2 = s16(Take(o2));
    m.no = s16(Take(no));
    m.difPressure = s16(Take(difPressure));
    m.absPressure = s16(Take(absPressure));
    m.ambPressure = s16(Take(ambPressure));
    m.detSrc = s16(Take(detSrc));
    m.detCel = s16(Take(detCel));
    m.rawO2 = s16(Take(rawO2));
    m.rawNO = s32(Take(rawNO));
    m.ambientTemp = s16(Take(ambientTemp));
    m.pef = s16(Take(pef));
    m.adcA = s16(Take(adcA));
    m.adcB = s16(Take(adcB));
    m.pulsesPerMinute = s16(Take(pulses));
    for (size_t c = 0; c < 4; ++c) {
        m.demodIR[c] = s32(Take(demodIR[c]));
        m.detTemp[c] = s16(Take(detTemp[c]));
        m.maxAdc[c] = s16(kOffset[c] + kAmplitude[c] + (drift_ ? 20 * Gauss() : 0));
        m.minAdc[c] = s16(kOffset[c] - kAmplitude[c] + (drift_ ? 20 * Gauss() : 0));
    }
    return m;
}

int16_t SimModel::ChopperLevel(int position, int channel)
{
    // Square-ish wave: half a cycle high, half low, with rounded edges of a few samples.
    channel = std::clamp(channel, 0, 3);
    const int p = ((position % kPointsPerCycle) + kPointsPerCycle) % kPointsPerCycle;
    const double phase = 2.0 * M_PI * (p + 0.5) / kPointsPerCycle;
    const double shaped = std::tanh(4.0 * std::sin(phase)) / std::tanh(4.0);
    return static_cast<int16_t>(std::lround(kOffset[size_t(channel)] + kAmplitude[size_t(channel)] * shaped));
}

int16_t SimModel::RawIrSample(int position, int channel, bool filtered)
{
    const double level = ChopperLevel(position, channel);
    const double sigma = drift_ ? (filtered ? 15.0 : 120.0) : 0.0;
    return static_cast<int16_t>(std::clamp(std::lround(level + sigma * Gauss()), -32767L, 32767L));
}

} // namespace sim
