#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "link/command_slot.h"

// Longest reply on the line: start, code, length, 255 data bytes, checksum.
constexpr int kMaxReplyFrameBytes = 259;

// Per-bench receive state; persists between reads so a frame may arrive in pieces.
struct RxState {
    std::array<uint8_t, 256> RxChunk{};
    int RxStartIndex = -1;
    uint8_t Stage = 0; // 0 hunting, 1 code, 2 length, 3 data, 4 checksum
    RxFrame Frame;
    uint16_t RxSum = 0;
    int RxCount = 0;
    // The bytes of the frame in progress, its start byte first. When the checksum
    // fails, the scan resumes at the byte after the start byte even if that byte
    // came in an earlier read, so a genuine reply hidden behind a false start is kept.
    std::array<uint8_t, kMaxReplyFrameBytes> Held{};
    int HeldCount = 0;
};

// Hands out a copy of the frame just accepted. Bytes past Length are zero, so
// nothing of an earlier, longer frame can be read as if it were new.
inline RxFrame CompletedFrame(const RxFrame& assembled)
{
    RxFrame f;
    f.Start = assembled.Start;
    f.Code = assembled.Code;
    f.Length = assembled.Length;
    for (int i = 0; i < assembled.Length; ++i)
        f.Data[i] = assembled.Data[i];
    return f;
}

// Examines the n bytes of s.RxChunk just read and calls onFrame(const RxFrame&)
// for every complete frame whose checksum holds, in order of arrival.
// A read that came with a line error is dropped whole and hunting starts again.
// A frame failing its checksum is dropped and the scan resumes at the byte after
// its start byte, wherever that byte came from.
template <class OnFrame>
void AssembleChunk(RxState& s, int n, bool lineError, OnFrame&& onFrame)
{
    s.RxStartIndex = -1;
    if (lineError) {
        s.Stage = 0;
        s.HeldCount = 0;
        return;
    }
    n = std::clamp(n, 0, int(s.RxChunk.size()));
    // Bytes to examine: this read, and after a rejected frame the bytes that
    // followed its start byte put back in front of what is left of the read.
    // Each rescan is shorter than the one before (the start byte is gone), so
    // the scan ends and the buffer never needs more than one frame and one read.
    std::array<uint8_t, kMaxReplyFrameBytes + 256> scan;
    std::copy_n(s.RxChunk.begin(), n, scan.begin());
    // Once bytes were put back, scan positions are no longer RxChunk indices.
    bool rescanned = false;
    int i = 0;
    while (i < n) {
        const uint8_t b = scan[i];
        if (s.Stage != 0 && s.HeldCount < kMaxReplyFrameBytes)
            s.Held[s.HeldCount++] = b;
        switch (s.Stage) {
        case 0:
            if (b == kAck || b == kNak) {
                s.Frame.Start = b;
                s.RxSum = b;
                s.RxStartIndex = rescanned ? -1 : i;
                s.Stage = 1;
                s.Held[0] = b;
                s.HeldCount = 1;
            }
            break;
        case 1:
            s.Frame.Code = b;
            s.RxSum = uint16_t(s.RxSum + b);
            s.Stage = 2;
            break;
        case 2:
            s.Frame.Length = b;
            if (b == 0) {
                s.Stage = 4;
            } else {
                s.RxSum = uint16_t(s.RxSum + b);
                s.RxCount = 0;
                s.Stage = 3;
            }
            break;
        case 3:
            s.Frame.Data[s.RxCount] = b;
            s.RxSum = uint16_t(s.RxSum + b);
            ++s.RxCount;
            if (s.RxCount >= s.Frame.Length)
                s.Stage = 4;
            break;
        default: { // 4: checksum
            s.Stage = 0;
            const int held = s.HeldCount;
            s.HeldCount = 0;
            s.RxStartIndex = -1;
            if (((s.RxSum + b) & 0xFF) == 0) {
                onFrame(CompletedFrame(s.Frame));
                break;
            }
            // The held bytes after the start byte go in front of the rest of the scan.
            const int rest = n - (i + 1);
            const int back = held - 1;
            std::memmove(scan.data() + back, scan.data() + i + 1, size_t(rest));
            std::copy_n(s.Held.begin() + 1, back, scan.begin());
            n = back + rest;
            i = 0;
            rescanned = true;
            continue;
        }
        }
        ++i;
    }
}
