#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/command_slot.h"
#include "link/dialog_command_args.h"
#include "link/rx_assembler.h"

class IComPort;

// Identification strings of a bench, each at most its reply field's width.
struct SystemIdentity {
    std::string SerialNumber;      // 6
    std::string ModelNumber;       // 4
    std::string HwPartNumber;      // 10
    std::string HwRevision;        // 2
    std::string SwPartNumber;      // 10
    std::string SwRevision;        // 2
    std::string CalPartNumber;     // 10
    std::string CalRevision;       // 2
    std::string CalCalcPartNumber; // 10
    std::string CalCalcRevision;   // 2
};

// Gas concentrations in raw bench units.
struct GasConcentrations {
    int32_t CO2 = 0;   // hundredths of a percent
    int32_t NH3 = 0;
    int32_t Freon = 0; // ppm (or hundredths with HC divisor 100)
    int32_t O2 = 0;    // hundredths of a percent
    int32_t NO = 0;    // ppm
};

struct ServiceReadings {
    float AmbientTemp = 0; // degrees Celsius
    float Pef = 0;
    int16_t AdcA = 0, AdcB = 0; // mV
    int16_t PulsesPerMinute = 0;
    int16_t RawO2 = 0;
    int32_t RawNO = 0;
    uint8_t ChannelSwitchState = 0;
    std::array<uint8_t, 20> UserMemory{};
    uint8_t ReportedMode = 0;
    std::array<uint8_t, 4> SwChecksum{};
};

struct PressureReadings {
    float DifPressure = 0; // thousandths of a psi
    float AbsPressure = 0; // tenths of a torr
    float AmbPressure = 0; // tenths of a torr
    float DetSrc = 0;
    float DetCel = 0;
};

enum Channel { kCO2 = 0, kNH3 = 1, kFreon = 2, kRef = 3 };

// The host's record of one bench: its port, the dialog's arguments, every
// decoded value, the link status line, 256 command slots and the receive state.
struct BenchRecord {
    IComPort* Port = nullptr;
    DialogCommandArgs CommandArgs;
    bool InProgress = false;
    bool ZeroRequired = false;
    SystemIdentity SystemId;
    ServiceReadings ServiceData;
    PressureReadings PressureData;
    std::array<int32_t, 4> DemodIR{};
    std::array<int16_t, 4> MinAdc{};
    std::array<int16_t, 4> MaxAdc{};
    std::array<int16_t, 4> DetTemp{};
    GasConcentrations GasData;
    std::array<uint8_t, 3> CommandSetReply{};
    uint8_t StandbyState = 0;
    uint8_t DeviceControlState = 0;
    uint8_t PumpState = 0;
    uint8_t FilterState = 0;
    uint8_t DemodAlgorithm = 0;
    std::array<uint8_t, 16> Status{};
    // A data request ($01, $06, $44) or stream of this bench timed out and no data
    // reply has come since: the rows then do not wait for this bench.
    bool DataTimedOut = false;
    // A data reply has been decoded since this bench was last asked for data. Until then its
    // values are an earlier run's (or none at all), so the rows leave its cells empty.
    bool DataSinceRequest = false;
    std::string StatusText;
    int StatusError = 0;
    std::array<CommandSlot, 256> Commands;
    RxState Rx;

    // Binds the port and names the command slots; done once per bench at start-up.
    void Setup(IComPort* port);

    // Whole-record getters for the displays.
    GasConcentrations GetGasData() const { return GasData; }
    ServiceReadings GetServiceData() const { return ServiceData; }
    PressureReadings GetPressureData() const { return PressureData; }
    std::array<int32_t, 4> GetDemodIR() const { return DemodIR; }
    std::array<int16_t, 4> GetMinAdc() const { return MinAdc; }
    std::array<int16_t, 4> GetMaxAdc() const { return MaxAdc; }
    std::array<int16_t, 4> GetDetTemp() const { return DetTemp; }

    // Request operations: each builds its frame in the slot of its code and sends it.
    void RequestDataStatus(int rate, bool freon2);
    void RequestDataStatus6(int rate, bool freon2);
    void RequestEngineeringData(int rate, bool freon2);
    void RequestRawIR(int rate);
    void RequestEngineeringStatus(int rate);
    void RequestFilteredRawIR(int rate);
    void RequestZeroO2Span(uint8_t purgeTime);
    void RequestSpanCalibration(uint8_t mask, const std::array<int16_t, 5>& spans);
    void RequestSystemId();
    void RequestMiscData();
    void RequestPumpControl(uint8_t pump);
    void RequestDeviceControl(uint8_t mask, uint8_t values);
    void RequestResetSpan(uint8_t mask);
    void RequestNewNOSensor();
    void RequestLeakCheck(uint8_t vacuumTime, uint8_t leakTime, uint8_t tolerance);
    void RequestPressureSpan1(uint8_t mode, uint16_t tagValue);
    void RequestRawO2NO();
    void RequestGasSwitch(uint8_t mask);
    void RequestReadUserMemory(uint8_t location);
    void RequestWriteUserMemory(uint8_t location, const std::array<uint8_t, 20>& data);
    void RequestPressureData();
    void RequestStandby(uint8_t standby);
    void RequestSwChecksum();
    void RequestStartBootMode();
    void RequestInitiateFlashDownload();
    void RequestWriteFlashMemory(const std::array<uint8_t, 4>& address, int count, const uint8_t* data);
    void RequestEndFlashDownload();
    void RequestFilter(uint8_t bits);
    void RequestSelectDemodulation(uint8_t algorithm);
    void RequestWriteFlashParameters(uint16_t parameter, const uint8_t* text, int length);
    void RequestReadFlashParameters(uint16_t parameter);
    void RequestStoreFlashParameters(uint16_t parameter);
    void RequestLoadFlashParameters(uint16_t parameter);
    void RequestTwoPointSpan(uint8_t mode, uint16_t tagValue);
    void RequestEngineeringSystemId();
    void RequestEngineeringPump(uint8_t pump);
    void RequestStoreDefaults();
    void RequestResetToDefaults();
    void RequestStoreWarmup();
    void RequestChangeCommandSet(const std::array<uint8_t, 4>& bytes);
    void RequestSoftReset();
    void RequestModeSelect(uint8_t action, uint8_t newMode);

    // Sends the dialog command `code` with this bench's CommandArgs; false when
    // the code has no request (nothing is sent).
    bool SendDialogCommand(uint8_t code);

    // Set by the flash parameter editor so Load Flash Parameters can record the
    // parameter it asks for (empty until that editor exists).
    static inline std::function<void(uint16_t)> OnLoadFlashParameter;

private:
    void RateRequest(uint8_t code, int rate, bool withFreon, bool freon2);
    void Simple(uint8_t code);
};

constexpr uint16_t kStoreFlashAccessCode = 0x5EA3;
constexpr int kMaxFlashDataBytes = 251;
