#include "ui/graphs/raw_ir_capture.h"

RawIrCapture::Shape RawIrCapture::CheckShape(int phases, int points)
{
    if (phases < 1)
        return Shape::BadPhases;
    if (points < 1)
        return Shape::BadPoints;
    // Both are at least 1, so this cannot overflow for values that pass.
    if (phases > CycleSamples || points > CycleSamples || phases * points > CycleSamples)
        return Shape::TooManySamples;
    return Shape::Ok;
}

RawIrCapture::Shape RawIrCapture::SetShape(int phases, int points)
{
    const Shape verdict = CheckShape(phases, points);
    if (verdict == Shape::Ok) {
        Phases = phases;
        Points = points;
        // A cycle of the old shape cannot be finished with the new one.
        RawCapturing = false;
    }
    return verdict;
}

RawIrCapture::Block RawIrCapture::Take(const uint8_t* data, int length)
{
    if (length < BlockLength())
        return Block::TooShort;
    RawPhase = data[0] % Phases;
    if (RawPhase == 0) {
        RawCapturing = true;
        for (auto& channel : RawBuffer)
            channel.fill(0);
    }
    if (!RawCapturing)
        return Block::BeforePhase0;
    const int base = RawPhase * Points;
    for (int s = 0; s < Points; ++s) {
        const uint8_t* sample = data + 1 + BytesPerSample * s;
        for (int c = 0; c < Channels; ++c)
            RawBuffer[size_t(c)][size_t(base + s)] = int16_t(uint16_t(sample[2 * c] << 8 | sample[2 * c + 1]));
    }
    return RawPhase == Phases - 1 ? Block::CycleComplete : Block::Stored;
}
