#pragma once
#include <cstdint>

#include "link/bench_record.h"

// Storage half of the reply decoders: each copies the fields of one reply
// layout into the bench record. A reply shorter than its layout is not
// decoded (false is returned and nothing is stored): the bytes past its end
// would not be new data.

// Minimum data length of a code's reply layout (0 when it carries none).
int ReplyLayoutLength(uint8_t code);

// Keeps a continuous stream alive: the first reply after a rate request
// settles whether the slot streams; a streaming slot stays awaiting.
void ApplyContinuousRule(CommandSlot& slot);

// Scaled readings (ambient temperature in tenths, PEF in thousandths): the
// integer goes to single precision, is multiplied in extended precision and the
// product is stored as single, as the hundredths of the gas values are. A
// single-precision product would be one unit in the last place off for a fifth
// of the temperatures and move block means at rounding ties.
constexpr long double kTenth = 0.1L;
constexpr long double kThousandth = 0.001L;
float ScaledReading(int16_t raw, long double factor);

bool StoreDataStatus(BenchRecord& b, const RxFrame& f);      // 0x01
bool StoreDataStatus6(BenchRecord& b, const RxFrame& f);     // 0x06
bool StoreEngineeringData(BenchRecord& b, const RxFrame& f); // 0x44
bool StoreEngineeringStatus(BenchRecord& b, const RxFrame& f); // 0x41
// Value replies of identification, configuration and service commands.
bool StoreValueReply(BenchRecord& b, const RxFrame& f);

// Big-endian readers over a frame's data.
inline int16_t S16(const RxFrame& f, int at) { return int16_t(uint16_t(f.Data[at] << 8 | f.Data[at + 1])); }
inline int32_t S32(const RxFrame& f, int at)
{
    return int32_t(uint32_t(f.Data[at]) << 24 | uint32_t(f.Data[at + 1]) << 16 | uint32_t(f.Data[at + 2]) << 8 |
                   uint32_t(f.Data[at + 3]));
}
