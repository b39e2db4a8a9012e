#pragma once
#include <array>
#include <cstdint>

#include "cmd.h"

// Per-bench receive state; persists between reads so a frame may arrive in pieces.
struct TRxState {
    std::array<uint8_t, 256> RxChunk{};
    int RxStartIndex = -1;
    uint8_t RxState = 0; // 0 hunting, 1 code, 2 length, 3 data, 4 checksum
    RxFrame Frame;
    uint16_t RxSum = 0;
    int RxCount = 0;
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
// A frame failing its checksum is dropped and the scan resumes after its start
// byte when that byte came in this read, else at the start of this read.
template <class OnFrame>
void AssembleChunk(TRxState& s, int n, bool lineError, OnFrame&& onFrame)
{
    s.RxStartIndex = -1;
    if (lineError) {
        s.RxState = 0;
        return;
    }
    int i = 0;
    while (i < n) {
        const uint8_t b = s.RxChunk[i];
        switch (s.RxState) {
        case 0:
            if (b == kAck || b == kNak) {
                s.Frame.Start = b;
                s.RxSum = b;
                s.RxStartIndex = i;
                s.RxState = 1;
            }
            break;
        case 1:
            s.Frame.Code = b;
            s.RxSum = uint16_t(s.RxSum + b);
            s.RxState = 2;
            break;
        case 2:
            s.Frame.Length = b;
            if (b == 0) {
                s.RxState = 4;
            } else {
                s.RxSum = uint16_t(s.RxSum + b);
                s.RxCount = 0;
                s.RxState = 3;
            }
            break;
        case 3:
            s.Frame.Data[s.RxCount] = b;
            s.RxSum = uint16_t(s.RxSum + b);
            ++s.RxCount;
            if (s.RxCount >= s.Frame.Length)
                s.RxState = 4;
            break;
        default: // 4: checksum
            s.RxState = 0;
            if (((s.RxSum + b) & 0xFF) == 0) {
                onFrame(CompletedFrame(s.Frame));
            } else {
                i = s.RxStartIndex >= 0 ? s.RxStartIndex + 1 : 0;
                s.RxStartIndex = -1;
                continue;
            }
            break;
        }
        ++i;
    }
}
