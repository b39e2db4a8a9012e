#include "link/decoders.h"

#include <algorithm>

int ReplyLayoutLength(uint8_t code)
{
    switch (code) {
    case 0x01: return 16;
    case 0x06: return 30;
    case 0x44: return 86;
    case 0x41: return 16;
    case 0x40:
    case 0x42: return 1; // the phase byte; the raw IR window checks the samples
    case 0x04: return 34;
    case 0x51: return 58;
    case 0x05: return 10;
    case 0x12: return 6;
    case 0x14: return 20;
    case 0x16: return 6;
    case 0x18: return 4;
    case 0xD4: return 3;
    case 0x07: case 0x52: case 0x08: case 0x13: case 0x17: case 0x45: case 0x46: case 0xF1: return 1;
    default: return 0;
    }
}

void ApplyContinuousRule(CommandSlot& slot)
{
    if (slot.RequestedRate == 1)
        slot.Continuous = false;
    else if (slot.RequestedRate == 2)
        slot.Continuous = true;
    slot.RequestedRate = 0;
    if (slot.Continuous) {
        slot.AwaitingReply = true;
        NewTimer(slot.ReplyTimer, kReplyTimeoutTicks);
    }
}

float ScaledReading(int16_t raw, long double factor)
{
    return static_cast<float>(static_cast<long double>(static_cast<float>(raw)) * factor);
}

namespace {
bool LongEnough(const RxFrame& f) { return f.Length >= ReplyLayoutLength(f.Code); }

void StoreGasAndStatus(BenchRecord& b, const RxFrame& f)
{
    for (int i = 0; i < 4; ++i)
        b.Status[i] = f.Data[i];
    b.GasData.CO2 = S16(f, 4);
    b.GasData.NH3 = S16(f, 6);
    b.GasData.Freon = S32(f, 8);
    b.GasData.O2 = S16(f, 12);
    b.GasData.NO = S16(f, 14);
}

void StoreProgressFlags(BenchRecord& b)
{
    b.InProgress = (b.Status[0] & 0x10) != 0;
    b.ZeroRequired = (b.Status[0] & 0x20) != 0;
}

// A text field: its bytes up to the first zero byte, or all of them.
std::string TextField(const RxFrame& f, int at, int width)
{
    std::string s;
    for (int i = 0; i < width && f.Data[at + i] != 0; ++i)
        s.push_back(char(f.Data[at + i]));
    return s;
}

void StoreSystemId(SystemIdentity& id, const RxFrame& f, bool engineering)
{
    std::string* fields[] = {&id.SerialNumber, &id.ModelNumber, &id.HwPartNumber, &id.HwRevision,
                             &id.SwPartNumber, &id.SwRevision, &id.CalPartNumber, &id.CalRevision,
                             &id.CalCalcPartNumber, &id.CalCalcRevision};
    static constexpr int widths[] = {6, 4, 10, 2, 10, 2, 10, 2, 10, 2};
    const int count = engineering ? 10 : 6;
    int at = 0;
    for (int i = 0; i < count; ++i) {
        *fields[i] = TextField(f, at, widths[i]);
        at += widths[i];
    }
}
} // namespace

bool StoreDataStatus(BenchRecord& b, const RxFrame& f)
{
    if (!LongEnough(f))
        return false;
    StoreGasAndStatus(b, f);
    StoreProgressFlags(b);
    return true;
}

bool StoreDataStatus6(BenchRecord& b, const RxFrame& f)
{
    if (!LongEnough(f))
        return false;
    StoreGasAndStatus(b, f);
    b.PressureData.DifPressure = float(S16(f, 16));
    b.PressureData.AbsPressure = float(S16(f, 18));
    b.ServiceData.RawO2 = S16(f, 20);
    b.ServiceData.RawNO = S32(f, 22);
    b.ServiceData.AmbientTemp = ScaledReading(S16(f, 26), kTenth);
    b.ServiceData.Pef = ScaledReading(S16(f, 28), kThousandth);
    StoreProgressFlags(b);
    return true;
}

bool StoreEngineeringData(BenchRecord& b, const RxFrame& f)
{
    if (!LongEnough(f))
        return false;
    b.PressureData.DifPressure = float(S16(f, 0));
    b.PressureData.AbsPressure = float(S16(f, 2));
    b.PressureData.DetSrc = float(S16(f, 4));
    b.PressureData.DetCel = float(S16(f, 6));
    for (int i = 0; i < 4; ++i)
        b.MaxAdc[i] = S16(f, 8 + 2 * i);
    b.PressureData.AmbPressure = float(S16(f, 16));
    for (int i = 0; i < 4; ++i)
        b.DemodIR[i] = S32(f, 20 + 4 * i);
    for (int i = 0; i < 4; ++i)
        b.MinAdc[i] = S16(f, 36 + 2 * i);
    b.ServiceData.RawO2 = S16(f, 44);
    b.ServiceData.RawNO = S32(f, 46);
    for (int i = 0; i < 4; ++i)
        b.DetTemp[i] = S16(f, 50 + 2 * i);
    b.GasData.CO2 = S16(f, 58);
    b.GasData.NH3 = S16(f, 60);
    b.GasData.Freon = S32(f, 62);
    b.GasData.O2 = S16(f, 66);
    b.GasData.NO = S16(f, 68);
    for (int i = 0; i < 16; ++i)
        b.Status[i] = f.Data[70 + i];
    StoreProgressFlags(b);
    return true;
}

bool StoreEngineeringStatus(BenchRecord& b, const RxFrame& f)
{
    if (!LongEnough(f))
        return false;
    for (int i = 0; i < 16; ++i)
        b.Status[i] = f.Data[i];
    return true;
}

bool StoreValueReply(BenchRecord& b, const RxFrame& f)
{
    if (!LongEnough(f))
        return false;
    ServiceReadings& s = b.ServiceData;
    switch (f.Code) {
    case 0x04: StoreSystemId(b.SystemId, f, false); break;
    case 0x51: StoreSystemId(b.SystemId, f, true); break;
    case 0x05:
        s.AmbientTemp = ScaledReading(S16(f, 0), kTenth);
        s.Pef = ScaledReading(S16(f, 2), kThousandth);
        s.AdcA = S16(f, 4);
        s.AdcB = S16(f, 6);
        s.PulsesPerMinute = S16(f, 8);
        break;
    case 0x07:
    case 0x52: b.PumpState = f.Data[0]; break;
    case 0x08: b.DeviceControlState = f.Data[0]; break;
    case 0x12:
        s.RawO2 = S16(f, 0);
        s.RawNO = S32(f, 2);
        break;
    case 0x13: s.ChannelSwitchState = f.Data[0]; break;
    case 0x14: std::copy_n(f.Data.begin(), 20, s.UserMemory.begin()); break;
    case 0x16:
        b.PressureData.DifPressure = float(S16(f, 0));
        b.PressureData.AbsPressure = float(S16(f, 2));
        b.PressureData.AmbPressure = float(S16(f, 4));
        break;
    case 0x17: b.StandbyState = f.Data[0]; break;
    case 0x18: std::copy_n(f.Data.begin(), 4, s.SwChecksum.begin()); break;
    case 0x45: b.FilterState = f.Data[0]; break;
    case 0x46: b.DemodAlgorithm = f.Data[0]; break;
    case 0xD4: std::copy_n(f.Data.begin(), 3, b.CommandSetReply.begin()); break;
    case 0xF1: s.ReportedMode = f.Data[0]; break;
    default: return false;
    }
    return true;
}
