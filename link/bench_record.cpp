#include "link/bench_record.h"

#include "link/command_table.h"

void BenchRecord::Setup(IComPort* port)
{
    Port = port;
    for (auto& c : Commands)
        c.CommandName.clear();
    for (const CommandInfo& c : CommandTable())
        Commands[c.Code].CommandName = c.Name;
    Commands[0xFF].CommandName = kUnknownCommandName;
}

void BenchRecord::RateRequest(uint8_t code, int rate, bool withFreon, bool freon2)
{
    CommandSlot& c = Commands[code];
    c.Begin(code);
    switch (rate) {
    case 0: c.AddByte(0); c.RequestedRate = 1; break;
    case 1: c.AddByte(1); c.RequestedRate = 1; break;
    case 2: c.AddByte(2); c.RequestedRate = 2; break;
    default: break; // nothing added, RequestedRate kept
    }
    if (withFreon)
        c.AddByte(freon2 ? 1 : 0);
    c.Send(Port);
    if (rate != 0 && (code == 0x01 || code == 0x06 || code == 0x44))
        DataSinceRequest = false;
}

void BenchRecord::Simple(uint8_t code)
{
    Commands[code].Begin(code);
    Commands[code].Send(Port);
}

void BenchRecord::RequestDataStatus(int rate, bool freon2) { RateRequest(0x01, rate, true, freon2); }
void BenchRecord::RequestDataStatus6(int rate, bool freon2) { RateRequest(0x06, rate, true, freon2); }
void BenchRecord::RequestEngineeringData(int rate, bool freon2) { RateRequest(0x44, rate, true, freon2); }
void BenchRecord::RequestRawIR(int rate) { RateRequest(0x40, rate, false, false); }
void BenchRecord::RequestEngineeringStatus(int rate) { RateRequest(0x41, rate, false, false); }
void BenchRecord::RequestFilteredRawIR(int rate) { RateRequest(0x42, rate, false, false); }

namespace {
// Builds a request of code with argument bytes in order and sends it.
template <class... B>
void SendBytes(BenchRecord& b, uint8_t code, B... bytes)
{
    CommandSlot& c = b.Commands[code];
    c.Begin(code);
    (c.AddByte(uint8_t(bytes)), ...);
    c.Send(b.Port);
}
} // namespace

void BenchRecord::RequestZeroO2Span(uint8_t purgeTime) { SendBytes(*this, 0x02, purgeTime); }

void BenchRecord::RequestSpanCalibration(uint8_t mask, const std::array<int16_t, 5>& spans)
{
    CommandSlot& c = Commands[0x03];
    c.Begin(0x03);
    c.AddByte(mask);
    for (int bit = 0; bit < 5; ++bit)
        if (mask & (1u << bit))
            c.AddWord(uint16_t(spans[bit]));
    c.Send(Port);
}

void BenchRecord::RequestSystemId() { Simple(0x04); }
void BenchRecord::RequestMiscData() { Simple(0x05); }
void BenchRecord::RequestPumpControl(uint8_t pump) { SendBytes(*this, 0x07, pump); }
void BenchRecord::RequestDeviceControl(uint8_t mask, uint8_t values) { SendBytes(*this, 0x08, mask, values); }
void BenchRecord::RequestResetSpan(uint8_t mask) { SendBytes(*this, 0x09, mask); }
void BenchRecord::RequestNewNOSensor() { Simple(0x0A); }
void BenchRecord::RequestLeakCheck(uint8_t vacuumTime, uint8_t leakTime, uint8_t tolerance)
{
    SendBytes(*this, 0x0B, vacuumTime, leakTime, tolerance);
}
void BenchRecord::RequestPressureSpan1(uint8_t mode, uint16_t tagValue)
{
    SendBytes(*this, 0x11, mode, tagValue >> 8, tagValue & 0xFF);
}
void BenchRecord::RequestRawO2NO() { Simple(0x12); }
void BenchRecord::RequestGasSwitch(uint8_t mask) { SendBytes(*this, 0x13, mask); }
void BenchRecord::RequestReadUserMemory(uint8_t location) { SendBytes(*this, 0x14, location); }

void BenchRecord::RequestWriteUserMemory(uint8_t location, const std::array<uint8_t, 20>& data)
{
    CommandSlot& c = Commands[0x15];
    c.Begin(0x15);
    c.AddByte(location);
    for (uint8_t b : data)
        c.AddByte(b);
    c.Send(Port);
}

void BenchRecord::RequestPressureData() { Simple(0x16); }
void BenchRecord::RequestStandby(uint8_t standby) { SendBytes(*this, 0x17, standby); }
void BenchRecord::RequestSwChecksum() { Simple(0x18); }
void BenchRecord::RequestStartBootMode() { Simple(0x25); }
void BenchRecord::RequestInitiateFlashDownload() { Simple(0x26); }

void BenchRecord::RequestWriteFlashMemory(const std::array<uint8_t, 4>& address, int count, const uint8_t* data)
{
    CommandSlot& c = Commands[0x27];
    c.Begin(0x27);
    c.AddByte(address[1]);
    c.AddByte(address[2]);
    c.AddByte(address[3]);
    if (count > kMaxFlashDataBytes)
        count = kMaxFlashDataBytes; // the length byte could not say more
    for (int i = 0; i < count; ++i)
        c.AddByte(data[i]);
    c.Send(Port);
}

void BenchRecord::RequestEndFlashDownload() { Simple(0x28); }
void BenchRecord::RequestFilter(uint8_t bits) { SendBytes(*this, 0x45, bits); }
void BenchRecord::RequestSelectDemodulation(uint8_t algorithm) { SendBytes(*this, 0x46, algorithm); }

void BenchRecord::RequestWriteFlashParameters(uint16_t parameter, const uint8_t* text, int length)
{
    CommandSlot& c = Commands[0x48];
    c.Begin(0x48);
    c.AddWord(parameter);
    if (length > kMaxFlashDataBytes)
        length = kMaxFlashDataBytes;
    for (int i = 0; i < length; ++i)
        c.AddByte(text[i]);
    c.AddByte(0);
    c.Send(Port);
}

void BenchRecord::RequestReadFlashParameters(uint16_t parameter)
{
    SendBytes(*this, 0x49, parameter >> 8, parameter & 0xFF);
}

void BenchRecord::RequestStoreFlashParameters(uint16_t parameter)
{
    CommandSlot& c = Commands[0x54];
    c.Begin(0x54);
    c.AddWord(kStoreFlashAccessCode);
    c.AddWord(parameter);
    c.Send(Port);
}

void BenchRecord::RequestLoadFlashParameters(uint16_t parameter)
{
    if (OnLoadFlashParameter)
        OnLoadFlashParameter(parameter);
    SendBytes(*this, 0x55, parameter >> 8, parameter & 0xFF);
}

void BenchRecord::RequestTwoPointSpan(uint8_t mode, uint16_t tagValue)
{
    SendBytes(*this, 0x50, mode, tagValue >> 8, tagValue & 0xFF);
}
void BenchRecord::RequestEngineeringSystemId() { Simple(0x51); }
void BenchRecord::RequestEngineeringPump(uint8_t pump) { SendBytes(*this, 0x52, pump); }
void BenchRecord::RequestStoreDefaults() { Simple(0x56); }
void BenchRecord::RequestResetToDefaults() { Simple(0x57); }
void BenchRecord::RequestStoreWarmup() { Simple(0x58); }
void BenchRecord::RequestChangeCommandSet(const std::array<uint8_t, 4>& b)
{
    SendBytes(*this, 0xD4, b[0], b[1], b[2], b[3]);
}
void BenchRecord::RequestSoftReset() { Simple(0xF0); }
void BenchRecord::RequestModeSelect(uint8_t action, uint8_t newMode) { SendBytes(*this, 0xF1, action, newMode); }

bool BenchRecord::SendDialogCommand(uint8_t code)
{
    const DialogCommandArgs& a = CommandArgs;
    switch (code) {
    case 0x01: RequestDataStatus(a.DataRate, a.FreonMode != 0); return true;
    case 0x02: RequestZeroO2Span(a.PurgeTime); return true;
    case 0x03: RequestSpanCalibration(a.TagMask, a.SpanValues); return true;
    case 0x04: RequestSystemId(); return true;
    case 0x05: RequestMiscData(); return true;
    case 0x07: RequestPumpControl(a.Pump); return true;
    case 0x08: RequestDeviceControl(a.DeviceMask, a.DeviceValues); return true;
    case 0x09: RequestResetSpan(a.TagMask); return true;
    case 0x0A: RequestNewNOSensor(); return true;
    case 0x0B: RequestLeakCheck(a.VacuumTime, a.LeakTime, a.Tolerance); return true;
    case 0x11: RequestPressureSpan1(a.TagMask, uint16_t(a.TagValue)); return true;
    case 0x12: RequestRawO2NO(); return true;
    case 0x13: RequestGasSwitch(a.SwitchMask); return true;
    case 0x14: RequestReadUserMemory(a.Location); return true;
    case 0x15: RequestWriteUserMemory(a.Location, a.WriteData); return true;
    case 0x16: RequestPressureData(); return true;
    case 0x17: RequestStandby(a.Standby); return true;
    case 0x18: RequestSwChecksum(); return true;
    case 0x44: RequestEngineeringData(a.DataRate, a.FreonMode != 0); return true;
    case 0x45: RequestFilter(a.FilterBits); return true;
    case 0x46: RequestSelectDemodulation(a.Algorithm); return true;
    case 0x50: RequestTwoPointSpan(a.TagMask, uint16_t(a.TagValue)); return true;
    case 0x51: RequestEngineeringSystemId(); return true;
    case 0x52: RequestEngineeringPump(a.Pump); return true;
    case 0x56: RequestStoreDefaults(); return true;
    case 0x57: RequestResetToDefaults(); return true;
    case 0x58: RequestStoreWarmup(); return true;
    case 0xD4: RequestChangeCommandSet(a.CommandSet); return true;
    case 0xF0: RequestSoftReset(); return true;
    case 0xF1: RequestModeSelect(a.ModeAction, a.NewMode); return true;
    default: return false;
    }
}
