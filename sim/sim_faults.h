#pragma once
// Fault knobs of one emulated bench. Tests set them directly; the command line
// sets them at start.

#include <cstdint>
#include <map>
#include <set>

#include "sim/sim_flash.h"

namespace sim {

struct SimFaults {
    // Answer these codes with a NAK of the given reason instead of their reply.
    std::map<uint8_t, uint8_t> nakCode;
    // Refuse flash parameter requests (0x48, 0x49, 0x54, 0x55) for these
    // parameter numbers with the given reason.
    std::map<int, uint8_t> nakParameter;
    // From the Nth flash parameter request on (counting from 1), answer none
    // of them; 0 never.
    int silentFromParamRequest = 0;
    // Answer nothing at all, or nothing for these codes (streams included).
    // Requests are still heard: a stream started while silent runs unseen.
    bool silentAll = false;
    std::set<uint8_t> silentCodes;
    // Spoil the checksum of the next N replies, or of every reply.
    int corruptNext = 0;
    bool corruptAll = false;
    // Noise between frames: before each frame, with this probability (0..100),
    // a burst of 1..noiseMaxBytes bytes; noiseNext forces that many bursts.
    int noisePercent = 0;
    int noiseNext = 0;
    int noiseMaxBytes = 4;
    // Noise normally avoids the reply start bytes 0x06 and 0x15, which would
    // make a host's receiver swallow a genuine frame.
    bool noiseMayHoldStartBytes = false;
    // Hand each frame to the line in several small pieces.
    bool splitWrites = false;
    // Status[0] bit 0x20 "zero required"; a completed zero clears it.
    bool zeroRequired = false;
    // Disappear (the line closes) once the bench clock reaches this time; -1 never.
    int64_t vanishAtMs = -1;
    // After vanishing, come back this long later at the same path, as a
    // replugged adapter: a bench fresh from power-up, streams off. -1 never.
    int64_t comeBackAfterMs = -1;
    // Every frame reaches the line this long after the bench made it (a slow
    // or buffering adapter); the bench itself keeps its pace.
    int replyDelayMs = 0;
    // Instead of each stream frame, a NAK of its code with this reason, as a
    // bench that cannot deliver its samples; -1 never.
    int nakStreamReason = -1;
    // One-shot: this many random bytes (start bytes included) go onto the line
    // as fast as it takes them, between frames; counts down as they go.
    int64_t garbageBytes = 0;
    // Firmware download: refuse the erase or one write, lose or spoil one write's reply.
    SimFlashFaults flash;
};

} // namespace sim
