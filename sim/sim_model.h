#pragma once
// What the emulated bench measures: values that wander slowly with noise, in
// the raw units the replies carry, and the chopper waveform of the raw IR replies.

#include <array>
#include <cstdint>
#include <random>

namespace sim {

// One set of measured values, as the wire carries them (before any host scaling).
struct SimMeasurements {
    int16_t co2 = 0;          // hundredths of a percent
    int16_t nh3 = 0;
    int32_t freon = 0;        // ppm
    int16_t o2 = 0;           // hundredths of a percent
    int16_t no = 0;           // ppm
    int16_t difPressure = 0;  // thousandths of a psi
    int16_t absPressure = 0;  // tenths of a torr
    int16_t ambPressure = 0;  // tenths of a torr
    int16_t detSrc = 0;
    int16_t detCel = 0;
    int16_t rawO2 = 0;
    int32_t rawNO = 0;
    int16_t ambientTemp = 0;  // tenths of a degree Celsius
    int16_t pef = 0;          // thousandths
    int16_t adcA = 0;         // mV
    int16_t adcB = 0;         // mV
    int16_t pulsesPerMinute = 0;
    std::array<int16_t, 4> maxAdc{};
    std::array<int16_t, 4> minAdc{};
    std::array<int32_t, 4> demodIR{};
    std::array<int16_t, 4> detTemp{};
};

// A value that wanders around a centre (mean-reverting walk) within bounds.
struct Drifter {
    double centre = 0;
    double walk = 0;     // how far the value strays (standard deviation of the wander)
    double noise = 0;    // white noise added to each sample
    double lo = 0;
    double hi = 0;
    double value = 0;    // current wandering value, noise not included
};

class SimModel {
public:
    explicit SimModel(uint32_t seed);

    // Moves the wandering values forward to nowMs.
    void Advance(int64_t nowMs);
    // One sample of every value, noise included.
    SimMeasurements Sample();

    // Off: every sample returns the centres exactly (tests that want fixed values).
    void SetDrift(bool on) { drift_ = on; }
    bool Drift() const { return drift_; }

    // The wandering values by name; tests may move centres or values.
    Drifter co2, nh3, freon, o2, no;
    Drifter difPressure, absPressure, ambPressure, detSrc, detCel;
    Drifter rawO2, rawNO, ambientTemp, pef, adcA, adcB, pulses;
    std::array<Drifter, 4> demodIR, detTemp;

    // Raw IR: one sample of the chopper waveform. position is 0..99 within the
    // cycle, channel 0..3 (CO2, NH3, Freon, Ref); filtered samples carry less noise.
    int16_t RawIrSample(int position, int channel, bool filtered);
    static constexpr int kPointsPerCycle = 100;
    // The clean waveform without noise (what a filtered sample tends to).
    static int16_t ChopperLevel(int position, int channel);

private:
    double Gauss();
    double Take(Drifter& d);
    void Step(Drifter& d, double dtSeconds);
    template <typename F> void ForEach(F f);

    std::mt19937 rng_;
    std::normal_distribution<double> normal_{0.0, 1.0};
    bool drift_ = true;
    int64_t lastMs_ = -1;
};

} // namespace sim
