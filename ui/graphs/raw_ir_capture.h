#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Assembles the bench's raw IR blocks into whole chopper cycles.
//
// A block carries a phase byte and then NumPoints samples, each holding one
// signed 16-bit big-endian value per channel (CO2, NH3, Freon, Ref). Sample s
// of a block of phase p belongs at cycle position (p mod NumPhases) x NumPoints + s;
// the block of the last phase completes the cycle.
class RawIrCapture {
public:
    static constexpr int Channels = 4;
    static constexpr int CycleSamples = 100;
    static constexpr int BytesPerSample = 2 * Channels;

    enum class Shape { Ok, BadPhases, BadPoints, TooManySamples };
    // Whether a NumPhases/NumPoints pair fits the cycle buffer.
    static Shape CheckShape(int phases, int points);

    enum class Block {
        TooShort,      // fewer than NumPoints samples: nothing taken
        BeforePhase0,  // no phase-0 block seen yet: nothing taken
        Stored,        // samples stored, the cycle goes on
        CycleComplete  // samples stored, RawBuffer holds a whole cycle
    };
    // data[0] is the phase byte; length counts it.
    Block Take(const uint8_t* data, int length);

    // Takes a pair that CheckShape accepts; refuses (returns its verdict) otherwise.
    Shape SetShape(int phases, int points);
    int NumPhases() const { return Phases; }
    int NumPoints() const { return Points; }
    // Data bytes a block needs for the current NumPoints.
    int BlockLength() const { return 1 + BytesPerSample * Points; }

    // Waits for the next phase-0 block again.
    void Restart() { RawCapturing = false; }

    int RawPhase = 0;
    bool RawCapturing = false;
    std::array<std::array<int32_t, CycleSamples>, Channels> RawBuffer{};

private:
    int Phases = 4;
    int Points = 25;
};
