#include "service/cal_load_machine.h"

#include <cstdarg>
#include <cstdlib>

#include "link/bench_record.h"
#include "link/command_slot.h"

namespace {

const char* const kStateText[31] = {
    "",
    "eReadyForCalLoad",
    "eReadFileSerialNum",
    "eSerialNumberRead",
    "eSerialNumberReadAck",
    "eReadTemp",
    "eReadSpanInterPolyCoeff",
    "eParamStore",
    "eParamLoad",
    "eParamCheck",
    "eParamTempDetWrite",
    "eParamTempDetStore",
    "eParamTempDetLoad",
    "eParamTempDetCheck",
    "eParamTempGasWrite",
    "eParamTempGasStore",
    "eParamTempGasLoad",
    "eParamTempGasCheck",
    "eParamPressWrite",
    "eParamPressStore",
    "eParamPressLoad",
    "eParamPressCheck",
    "eGetZeroTempCoeff",
    "eParamZeroTempCoeffStore",
    "eParamZeroTempCoeffLoad",
    "eParamZeroTempCoeffCheck",
    "eGetCOPolyCoeff",
    "eNH3PolyCoeffStore",
    "eParamZeroTempCoeffLoad",
    "eNH3PolyCoeffCheck",
    "",
};

// The three temperature lists: parameter, first state (write), tolerance, trace names.
struct TempList {
    uint16_t Param;
    int WriteState;
    float Tolerance;
    const char* Name;
    const char* WriteSuffix;
    const char* StoreName;
};
// Order: detector (states 10..13), cell (14..17), pressure (18..21).
const TempList kTempLists[3] = {
    {152, 10, 0.0f, "Temp Det", " Write", "Store Temp Det"},
    {153, 14, 0.0f, "Temp Cell", "Write", "Store Temp Cell"},
    {154, 18, 0.01f, "Pressure", "Write", "Store Press"},
};

constexpr int kEnd = 30;

} // namespace

bool CheckCalValues(int n, const std::vector<float>& expected, const std::string& whole, float tolerance)
{
    // A bench may end its text with a zero byte (and whatever follows it is no text).
    const std::string text = whole.substr(0, whole.find('\0'));
    size_t at = 0;
    for (int i = 0; i < n; ++i) {
        if (i >= int(expected.size()) || at > text.size())
            return false;
        size_t comma = text.find(',', at);
        if (comma == std::string::npos)
            comma = text.size();
        std::string token = text.substr(at, comma - at);
        // Blanks and line ends around a value are the bench's layout, not part of the number.
        const char* const layout = " \t\r\n";
        const size_t first = token.find_first_not_of(layout);
        token = first == std::string::npos ? std::string() : token.substr(first, token.find_last_not_of(layout) - first + 1);
        float value = 0;
        if (!CalFileReader::ParseNumber(token, &value))
            return false; // an empty or garbled read-back value matches nothing
        const float e = expected[size_t(i)];
        if (!(value - tolerance <= e && e <= value + tolerance))
            return false;
        at = comma + 1; // past the end of the text once the last value is taken
    }
    return true;
}

CalLoadMachine::CalLoadMachine(CalLoadPorts ports) : io_(std::move(ports)) {}

CalLoadMachine::~CalLoadMachine() { CloseFiles(); }

void CalLoadMachine::CloseFiles()
{
    if (trace_) {
        std::fclose(trace_);
        trace_ = nullptr;
    }
    reader_.reset();
    if (calFile_.is_open())
        calFile_.close();
}

void CalLoadMachine::Trace(const char* format, ...)
{
    if (!trace_)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(trace_, format, args);
    va_end(args);
}

void CalLoadMachine::Start()
{
    if (running_)
        return; // one run at a time: a second Start would reopen files mid-run
    errorFlag_ = false;
    abortRequested_ = false;
    benchIndex_ = FirstBench < 0 || FirstBench > 3 ? 0 : FirstBench;
    calState_ = 1;
    running_ = true;
    Step(nullptr);
}

void CalLoadMachine::Cancel()
{
    calState_ = kEnd;
    abortRequested_ = true;
}

void CalLoadMachine::Reply(const RxFrame& frame)
{
    if (frame.Start != kAck)
        errorFlag_ = true;
    io_.StopTimer();
    Step(&frame);
}

void CalLoadMachine::Step(const RxFrame* reply)
{
    if (reply && reply->Start != kAck) {
        io_.ShowStatus("NAK Error");
        errorFlag_ = true;
        calState_ = kEnd;
    } else if (errorFlag_) {
        io_.ShowStatus("Error");
        calState_ = kEnd;
    } else if (abortRequested_) {
        io_.ShowStatus("Procedure Aborted");
        calState_ = kEnd;
    }
    io_.StopTimer();
    if (benchIndex_ >= 4) {
        calState_ = 0;
        running_ = false;
        return;
    }
    if (calState_ == 0)
        return;
    Action();
}

void CalLoadMachine::Next(int state, int ms)
{
    calState_ = state;
    io_.StartTimer(ms);
}

bool CalLoadMachine::ReadFailed()
{
    const std::string why = reader_ ? reader_->Error() : std::string("Cal file not open");
    Trace("%s \n", why.c_str());
    errorFlag_ = true;
    if (io_.Warning)
        io_.Warning(why);
    Next(kEnd, 500);
    return true;
}

bool CalLoadMachine::TooLongForOneWrite(const std::string& values, uint16_t param)
{
    // The write request holds at most this much text; a cut text would be
    // stored in flash before the comparison could catch it. Check mode writes
    // nothing, so it has nothing to refuse.
    if (!LoadMode || values.size() <= size_t(kMaxFlashDataBytes))
        return false;
    const std::string why = "Cal file line " + std::to_string(reader_->LineNumber()) + ": values of parameter " +
                            std::to_string(param) + " are longer than " + std::to_string(kMaxFlashDataBytes) +
                            " characters";
    Trace("%s \n", why.c_str());
    errorFlag_ = true;
    if (io_.Warning)
        io_.Warning(why);
    Next(kEnd, 500);
    return true;
}

void CalLoadMachine::SendLoad()
{
    // Emptied first: the step after this Load compares whatever read-back has come by then.
    if (io_.ClearLastParamText)
        io_.ClearLastParamText();
    io_.LoadFlashParameters(benchIndex_, param_);
}

bool CalLoadMachine::Compare(int n, const std::vector<float>& expected, float tolerance)
{
    const std::string text = io_.LastParamText();
    Trace("CheckValues: numVals=%d, fltVals[0]=%6.2f, strngVals=%s \n", n,
          expected.empty() ? 0.0 : double(expected[0]), text.c_str());
    return CheckCalValues(n, expected, text, tolerance);
}

void CalLoadMachine::Action()
{
    const int k = benchIndex_;
    const int state = calState_;
    if (state != kEnd)
        io_.ShowStatus(kStateText[state]);
    switch (state) {
    case 1: {
        if (!io_.BenchTicked(k))
            return Next(kEnd, 500);
        retryCount_ = 0;
        CloseFiles();
        calFile_.open(CalFileNames[size_t(k)], std::ios::in | std::ios::binary);
        trace_ = std::fopen(TracePath.c_str(), "wb");
        if (!calFile_.is_open() || CalFileNames[size_t(k)].empty() || !trace_) {
            errorFlag_ = true;
            return Next(kEnd, 500);
        }
        reader_ = std::make_unique<CalFileReader>(calFile_);
        Trace("Started Download \n");
        return Next(2, 500);
    }
    case 2: {
        Trace("eReadFileSerialNum \n");
        std::string serial;
        if (!reader_->ReadSerialNumber(&serial))
            return (void)ReadFailed();
        return Next(3, 500);
    }
    case 3:
        Trace("eSerialNumberRead \n");
        io_.ReadFlashParameters(k, 1);
        return Next(4, 2000);
    case 4:
        Trace("eSerialNumberReadAck \n");
        tempIndex_ = 0;
        tableIndex_ = 0;
        for (int i = 0; i < 3; ++i) {
            tempLists_[size_t(i)].clear();
            tempValues_[size_t(i)].clear();
        }
        return Next(5, 500);
    case 5: {
        if (tempIndex_ >= 4) {
            Trace("eReadTemp CurrentTempIndex >= 4 \n");
            spanIndex_ = 0;
            return Next(10, 500);
        }
        CalValues line;
        if (!reader_->ReadTemperatureLine(&line))
            return (void)ReadFailed();
        // The file writes cell, detector, pressure; the lists are kept detector, cell, pressure.
        const int column[3] = {1, 0, 2};
        for (int i = 0; i < 3; ++i) {
            std::string& list = tempLists_[size_t(i)];
            list += (tempIndex_ ? "," : "") + line.Texts[size_t(column[i])];
            tempValues_[size_t(i)].push_back(line.Numbers[size_t(column[i])]);
        }
        Trace("eReadTemp CurrentTempIndex < 4 \n");
        for (int i = 0; i < 3; ++i)
            Trace("%s \n", tempLists_[size_t(i)].c_str());
        // A list that has outgrown one write request is refused now, before more is written.
        for (int i = 0; i < 3; ++i)
            if (TooLongForOneWrite(tempLists_[size_t(i)], kTempLists[i].Param))
                return;
        ++tempIndex_;
        spanIndex_ = 0;
        return Next(6, 500);
    }
    case 6: {
        if (spanIndex_ >= 9) {
            Trace("eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex >= 9 \n");
            return Next(5, 500);
        }
        Trace("eReadSpanInterPolyCoeff CurrentSpanInterPolyIndex < 9 \n");
        if (retryCount_ == 0) {
            CalValues v;
            if (!reader_->ReadCoefficients(4, 5, &v))
                return (void)ReadFailed();
            valuesText_ = v.Joined();
            fileValues_ = v.Numbers;
            param_ = uint16_t(kSpanParamTable[tableIndex_ / 9][tableIndex_ % 9]);
            if (TooLongForOneWrite(valuesText_, param_))
                return;
        }
        if (!LoadMode) {
            Trace("%s \n", (valuesText_ + " File").c_str());
            return Next(8, 500);
        }
        Trace("%s \n", (valuesText_ + " Write").c_str());
        io_.WriteFlashParameters(k, param_, valuesText_);
        return Next(7, 4000);
    }
    case 7:
    case 23:
    case 27:
        if (state == 23)
            Trace("Store ZeroTempCoeff \n");
        else if (state == 27)
            Trace("Store NH3PolyCoeff \n");
        if (state == 7)
            Trace("%s %d \n", (valuesText_ + " Store").c_str(), param_);
        else
            Trace("%s \n", (valuesText_ + "Store").c_str());
        io_.StoreFlashParameters(k, param_);
        return Next(state + 1, 4000);
    case 8:
    case 24:
    case 28:
        if (state == 8)
            Trace("Param %d Load\n", param_);
        SendLoad();
        return Next(state + 1, 4000);
    case 9: {
        const int n = int(fileValues_.size());
        if (Compare(n, fileValues_, 0.0f)) {
            Trace("%s Check %d \n", io_.LastParamText().c_str(), retryCount_);
            retryCount_ = 0;
            ++spanIndex_;
            ++tableIndex_;
        } else {
            ++retryCount_;
            if (retryCount_ >= 3 || !LoadMode) {
                errorFlag_ = true;
                Trace("%s \n", (io_.LastParamText() + " Check *** ERROR ***").c_str());
            }
        }
        return Next(6, 500);
    }
    case 10: case 14: case 18:
        return TempWrite((state - 10) / 4);
    case 11: case 15: case 19: {
        const int which = (state - 11) / 4;
        Trace("%s \n", kTempLists[which].StoreName);
        Trace("%s \n", (tempLists_[size_t(which)] + "Store").c_str());
        io_.StoreFlashParameters(k, param_);
        return Next(state + 1, 4000);
    }
    case 12: case 16: case 20:
        if (state == 12)
            Trace("CalDetTempParam %d Load\n", 152);
        SendLoad();
        return Next(state + 1, 4000);
    case 13: case 17: case 21:
        return TempCheck((state - 13) / 4);
    case 22:
    case 26: {
        const bool zero = state == 22;
        if (!zero)
            param_ = nh3Pass_ == 0 ? 273 : 274;
        else
            param_ = 145;
        if (retryCount_ == 0) {
            Trace("%s \n", zero ? "Zero Temp Coeff" : "NH3 Poly Coeff");
            CalValues v;
            if (!(zero ? reader_->ReadCoefficients(4, 3, &v) : reader_->ReadCoefficients(2, 10, &v)))
                return (void)ReadFailed();
            valuesText_ = v.Joined();
            fileValues_ = v.Numbers;
            if (TooLongForOneWrite(valuesText_, param_))
                return;
        }
        if (!LoadMode) {
            Trace("%s \n", (valuesText_ + "File").c_str());
            return Next(state + 2, 500);
        }
        Trace("%s \n", (valuesText_ + "Write").c_str());
        io_.WriteFlashParameters(k, param_, valuesText_);
        return Next(state + 1, 4000);
    }
    case 25:
    case 29: {
        const int n = int(fileValues_.size());
        const int retryState = state == 25 ? 22 : 26;
        if (Compare(n, fileValues_, 0.0f)) {
            Trace("%s Check %d \n", io_.LastParamText().c_str(), retryCount_);
            retryCount_ = 0;
            if (state == 25) {
                nh3Pass_ = 0;
                return Next(26, 500);
            }
            if (nh3Pass_ == 1)
                return Next(kEnd, 500);
            nh3Pass_ = 1;
            return Next(26, 500);
        }
        ++retryCount_;
        if (retryCount_ < 3 && LoadMode)
            return Next(retryState, 500);
        errorFlag_ = true;
        Trace("%s \n", (io_.LastParamText() + " Check *** ERROR ***").c_str());
        return Next(state, 500);
    }
    case kEnd:
        return EndState();
    default:
        calState_ = 0;
        running_ = false;
        return;
    }
}

void CalLoadMachine::TempWrite(int which)
{
    const TempList& t = kTempLists[which];
    param_ = t.Param;
    Trace("%s \n", t.Name);
    const std::string& list = tempLists_[size_t(which)];
    if (!LoadMode) {
        Trace("%s \n", (list + "File").c_str());
        return Next(t.WriteState + 2, 500);
    }
    Trace("%s \n", (list + t.WriteSuffix).c_str());
    io_.WriteFlashParameters(benchIndex_, param_, list);
    Next(t.WriteState + 1, 4000);
}

void CalLoadMachine::TempCheck(int which)
{
    const TempList& t = kTempLists[which];
    const int checkState = t.WriteState + 3;
    if (Compare(4, tempValues_[size_t(which)], t.Tolerance)) {
        Trace("%s Check %d \n", io_.LastParamText().c_str(), retryCount_);
        retryCount_ = 0;
        return Next(checkState + 1, 500); // 14, 18 or 22
    }
    ++retryCount_;
    if (retryCount_ < 3 && LoadMode)
        return Next(t.WriteState, 500);
    errorFlag_ = true;
    Trace("%s \n", (io_.LastParamText() + " Check *** ERROR ***").c_str());
    Next(checkState, 500);
}

void CalLoadMachine::EndState()
{
    const int k = benchIndex_;
    // Both files close here whether or not the trace could be created.
    CloseFiles();
    io_.ShowStatus("eCalLoadEnd");
    char text[64];
    if (errorFlag_) {
        std::snprintf(text, sizeof text, "Error, Bench %d", k + 1);
        io_.ShowStatus(text);
        calState_ = 0;
        running_ = false;
    } else if (abortRequested_) {
        // Checked before success: a cancelled run must not report the bench as done.
        io_.ShowStatus("Procedure Aborted");
        calState_ = 0;
        running_ = false;
    } else if (io_.BenchTicked(k)) {
        std::snprintf(text, sizeof text, LoadMode ? "Download Successful, Kestrel %d" : "Check Successful, Kestrel %d",
                      k + 1);
        io_.ShowStatus(text);
        calState_ = 0;
        running_ = false;
    } else {
        ++benchIndex_;
        calState_ = 1;
    }
    if (running_)
        io_.StartTimer(500);
}
