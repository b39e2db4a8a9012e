#include "rows/data_rows.h"

#include <algorithm>

#include "link/bench_record.h"
#include "rows/cell_format.h"
#include "rows/grid_model.h"
#include "rows/log_file.h"
#include "link/message_sink.h"

namespace {
bool GroupShown(const RowSettings& s, int group)
{
    switch (group) {
    case kGroupGas: return s.GasConcentration;
    case kGroupDemodIR: return s.DemodulatedIR;
    case kGroupOffset: return s.Offset;
    case kGroupDetTemp: return s.Temperatures;
    case kGroupAmbTemp: return s.AmbTemp;
    case kGroupPressures: return s.Pressures;
    case kGroupAmbPressure: return s.AmbPressure;
    case kGroupMinMaxADC: return s.MinMaxADC;
    case kGroupRawNoO2: return s.RawNoxO2;
    case kGroupPef: return s.Pef;
    }
    return false;
}

constexpr const char* kStdev = "%10.4f";

// Width of a cell format: the digits after '%' ("%7.2f" 7, "%8lld" 8, "%f" 0).
int FormatWidth(const char* format)
{
    int width = 0;
    for (const char* c = format[0] == '%' ? format + 1 : format; *c >= '0' && *c <= '9'; ++c)
        width = width * 10 + (*c - '0');
    return width;
}
} // namespace

// One value column of a group for the current sample: where its cells go,
// how it is summed and printed.
struct DataRows::ColumnValue {
    int RawPos = 0;
    int AvgPos = 0; // position of the mean and deviation cells
    SumKind Kind = SumKind::Integer;
    bool RawIsInt = true;
    int64_t I = 0;
    float F = 0;
    const char* RawFmt = "";
    const char* MeanFmt = "";
    const char* StdevFmt = kStdev;
};

DataRows::DataRows(std::array<BenchRecord, 4>& benches, GridModel& grid, CalendarClock clock)
    : Benches(benches), Grid(grid), Clock(std::move(clock))
{
    StartTime = Clock.NowSeconds();
    for (auto& g : GroupCol)
        g.fill(-1);
}

void DataRows::RecountActive()
{
    Last = 0;
    Active = 0;
    for (int b = 0; b < 4; ++b) {
        Open[b] = Settings.PortOpen[b];
        if (Settings.PortOpen[b]) {
            Last = b;
            ++Active;
        }
    }
}

int DataRows::RowMaker() const
{
    for (int b = 3; b >= 0; --b)
        if (Open[b] && Settings.PortOpen[b] && !Benches[b].DataTimedOut)
            return b;
    return -1;
}

bool DataRows::Answering(int b) const
{
    const BenchRecord& bench = Benches[b];
    return Open[b] && Settings.PortOpen[b] && bench.DataSinceRequest && !bench.DataTimedOut;
}

void DataRows::OffsetButton(bool offsetTicked)
{
    Offsets.OffsetOn = offsetTicked;
    Offsets.CaptureRequested.fill(offsetTicked);
}

void DataRows::RebuildHeader()
{
    const RowSettings& s = Settings;
    Columns = 0;
    Active = 0;
    First = -1;
    Last = 0;
    SilentInBlock.fill(false);
    for (int b = 0; b < 4; ++b) {
        Open[b] = s.PortOpen[b];
        // A closed port delivers nothing: whatever its record holds is no value of this run.
        if (!s.PortOpen[b])
            Benches[b].DataSinceRequest = false;
        if (s.PortOpen[b]) {
            if (First < 0)
                First = b;
            Last = b;
            ++Active;
        }
    }
    Mode = std::clamp(s.AveragingMode, 0, 2);
    PerBlock = std::max(s.SamplesPerBlock, 0);

    R = std::max(s.GridHeightPixels / kRowHeight - 1, kMinRows);

    RawRowCount = std::min(PerBlock, kMaxRawRows);
    RawCursor = R - 1 - RawRowCount;
    StdevCursor = (s.AcceptBtnEnabled || Mode == kAverageMeanStdev) ? R - 2 - RawRowCount : R - RawRowCount;
    MeanCursor = 1;
    Samples = 0;

    // The width of the layout is known before any cell is written.
    int used = (s.AcceptCount ? 1 : 0) + (s.TimeStamp ? 1 : 0) + (s.RelativeTime ? 1 : 0);
    if (First < 0)
        used = 0;
    for (int g = 0; g < kGroupCount; ++g)
        if (GroupShown(s, g))
            used += Active * kGroupWidth[g];
    Grid.Reset(R, used);

    AcceptCol = TimeCol = RelTimeCol = -1;
    int n = 0;
    for (int b = 0; b < 4; ++b) {
        if (!s.PortOpen[b]) {
            for (auto& g : GroupCol)
                g[b] = -1;
            continue;
        }
        if (b == First) {
            auto fixed = [&](bool shown, int& column, const char* header) {
                if (!shown)
                    return;
                column = Columns++;
                Grid.SetCell(column, 0, header);
            };
            fixed(s.AcceptCount, AcceptCol, "Accept");
            fixed(s.TimeStamp, TimeCol, "    Time     ");
            fixed(s.RelativeTime, RelTimeCol, "  RTime   ");
        }
        for (int g : kGroupLayoutOrder) {
            for (ColumnSums& sum : Sums[b][g])
                sum.Clear();
            if (!GroupShown(s, g)) {
                GroupCol[g][b] = -1;
                continue;
            }
            const int width = kGroupWidth[g];
            int c;
            if (b == First) {
                c = Columns;
                Columns += Active * width;
            } else {
                c = GroupCol[g][First] + n * width;
            }
            GroupCol[g][b] = c;
            for (int p = 0; p < width; ++p)
                Grid.SetCell(c + p, 0, ColumnTable()[size_t(g)].Positions[size_t(p)].Caption);
            Grid.SetCell(c, 1, "  Bn " + std::to_string(b + 1));
        }
        ++n;
    }
    Grid.NotifyChanges();
}

std::string DataRows::HeaderLine() const
{
    return Grid.JoinRow(0, Columns);
}

void DataRows::ScrollMeanArea()
{
    Grid.ScrollUp(2, MeanCursor, Columns);
}

void DataRows::ScrollRawArea()
{
    Grid.ScrollUp(R - RawRowCount, RawCursor, Columns);
}

int DataRows::GroupValues(int group, int bench, ColumnValue* out)
{
    const BenchRecord& bd = Benches[bench];
    auto integer = [](ColumnValue& v, int pos, int64_t value, const char* raw, const char* mean) {
        v = ColumnValue{};
        v.RawPos = v.AvgPos = pos;
        v.I = value;
        v.RawFmt = raw;
        v.MeanFmt = mean;
    };
    switch (group) {
    case kGroupDemodIR: {
        const auto d = bd.GetDemodIR();
        integer(out[0], 0, d[kCO2], "%8lld", "%8lld");
        out[0].StdevFmt = "%f";
        integer(out[1], 1, d[kFreon], "%8lld", "%8lld");
        integer(out[2], 2, d[kRef], "%8lld", "%8lld");
        return 3;
    }
    case kGroupOffset: {
        const auto d = bd.GetDemodIR();
        const std::array<int32_t, 3> raw = {d[kCO2], d[kFreon], d[kRef]};
        static constexpr int kRawPos[3] = {0, 2, 3};
        for (int k = 0; k < 3; ++k) {
            int64_t value = 0;
            if (Offsets.OffsetOn && Offsets.ReferenceValid[bench])
                value = OffsetValue(raw[k], Offsets.Reference[bench][k]);
            integer(out[k], k, value, "%7lld", "%7lld");
            out[k].RawPos = kRawPos[k];
        }
        return 3;
    }
    case kGroupGas: {
        const GasConcentrations g = bd.GetGasData();
        auto single = [](ColumnValue& v, int pos, float f, const char* raw, const char* mean) {
            v = ColumnValue{};
            v.RawPos = v.AvgPos = pos;
            v.Kind = SumKind::Single;
            v.RawIsInt = false;
            v.F = f;
            v.RawFmt = raw;
            v.MeanFmt = mean;
        };
        single(out[0], 0, Hundredths(g.CO2), "%7.2f", "%7.2f");
        if (Settings.HCDivisor100) {
            single(out[1], 1, Hundredths(g.Freon), "%9.2f", "%9.2f");
        } else {
            single(out[1], 1, static_cast<float>(g.Freon), "%9lld", "%9.0f");
            out[1].RawIsInt = true;
            out[1].I = g.Freon;
        }
        single(out[2], 2, Hundredths(g.O2), "%7.2f", "%7.2f");
        single(out[3], 3, static_cast<float>(g.NO), "%6lld", "%7.2f");
        out[3].RawIsInt = true;
        out[3].I = g.NO;
        return 4;
    }
    case kGroupMinMaxADC: {
        const auto mn = bd.GetMinAdc();
        const auto mx = bd.GetMaxAdc();
        integer(out[0], 0, mn[kCO2], "%8lld", "%8lld");
        integer(out[1], 1, mx[kCO2], "%8lld", "%8lld");
        integer(out[2], 2, mn[kFreon], "%8lld", "%8lld");
        integer(out[3], 3, mx[kFreon], "%8lld", "%8lld");
        integer(out[4], 4, mn[kRef], "%8lld", "%8lld");
        integer(out[5], 5, mx[kRef], "%8lld", "%8lld");
        return 6;
    }
    case kGroupDetTemp: {
        const PressureReadings p = bd.GetPressureData();
        integer(out[0], 0, TruncToInt16(p.DetCel), "%6lld", "%6lld");
        integer(out[1], 1, TruncToInt16(p.DetSrc), "%6lld", "%6lld");
        integer(out[2], 2, bd.GetDetTemp()[2], "%6lld", "%6lld");
        return 3;
    }
    case kGroupAmbTemp:
    case kGroupPef: {
        const ServiceReadings sd = bd.GetServiceData();
        ColumnValue& v = out[0];
        v = ColumnValue{};
        v.Kind = SumKind::Double;
        v.RawIsInt = false;
        v.F = group == kGroupPef ? sd.Pef : sd.AmbientTemp;
        v.RawFmt = v.MeanFmt = group == kGroupPef ? "%6.3f" : "%6.1f";
        return 1;
    }
    case kGroupPressures: {
        const PressureReadings p = bd.GetPressureData();
        integer(out[0], 0, TruncToInt16(p.AbsPressure), "%6lld", "%6lld");
        integer(out[1], 1, TruncToInt16(p.DifPressure), "%6lld", "%6lld");
        return 2;
    }
    case kGroupAmbPressure:
        integer(out[0], 0, TruncToInt16(bd.GetPressureData().AmbPressure), "%6lld", "%6lld");
        return 1;
    case kGroupRawNoO2: {
        const ServiceReadings sd = bd.GetServiceData();
        integer(out[0], 0, sd.RawNO, "%6lld", "%6lld");
        integer(out[1], 1, sd.RawO2, "%6lld", "%6lld");
        return 2;
    }
    }
    return 0;
}

void DataRows::WriteFixedCells(int row, bool complete)
{
    if (AcceptCol >= 0)
        FormatInteger(Grid.CellRef(AcceptCol, row), "%6lld", AcceptCounter);
    if (TimeCol >= 0 || RelTimeCol >= 0) {
        const int64_t now = Clock.NowSeconds();
        if (TimeCol >= 0) {
            if (now != CachedTimeSecond) {
                CachedTimeSecond = now;
                CachedTimeText = Clock.LongTime(now) + "  ";
            }
            Grid.CellRef(TimeCol, row) = CachedTimeText;
        }
        if (RelTimeCol >= 0)
            FormatInteger(Grid.CellRef(RelTimeCol, row), "%10lld", static_cast<long long>(now - StartTime));
    }
    if (!complete)
        return;
    for (int col : {AcceptCol, TimeCol, RelTimeCol}) {
        if (col < 0)
            continue;
        Grid.CellRef(col, MeanCursor) = Grid.Cell(col, row);
        if (Mode == kAverageMeanStdev)
            Grid.CellRef(col, StdevCursor) = Grid.Cell(col, row);
    }
}

void DataRows::WriteBench(int b, int row, bool complete, int n)
{
    const bool averaging = Mode != kAverageNone;
    ColumnValue values[6];
    for (int g : kGroupLayoutOrder) {
        const int c = GroupCol[g][b];
        if (c < 0)
            continue;
        const int count = GroupValues(g, b, values);
        auto& sums = Sums[b][g];
        int64_t means[6] = {};
        for (int i = 0; i < count; ++i) {
            const ColumnValue& v = values[i];
            std::string& cell = Grid.CellRef(c + v.RawPos, row);
            if (v.RawIsInt)
                FormatInteger(cell, v.RawFmt, static_cast<long long>(v.I));
            else
                FormatCell(cell, v.RawFmt, static_cast<double>(v.F));
            switch (v.Kind) {
            case SumKind::Integer: sums[i].AddInteger(v.I); break;
            case SumKind::Single: sums[i].AddSingle(v.F); break;
            case SumKind::Double: sums[i].AddDouble(v.F); break;
            }
            if (!(complete && averaging))
                continue;
            std::string& mean = Grid.CellRef(c + v.AvgPos, MeanCursor);
            if (v.Kind == SumKind::Integer) {
                means[i] = sums[i].IntegerMean(n);
                FormatInteger(mean, v.MeanFmt, static_cast<long long>(means[i]));
            } else {
                FormatCell(mean, v.MeanFmt, sums[i].FloatMean(v.Kind, n));
            }
            if (Mode == kAverageMeanStdev)
                FormatCell(Grid.CellRef(c + v.AvgPos, StdevCursor), v.StdevFmt, sums[i].StandardDeviation(v.Kind, n));
        }
        if (g == kGroupDemodIR && Offsets.CaptureRequested[b] && (complete || !averaging)) {
            for (int k = 0; k < 3; ++k)
                Offsets.Reference[b][k] = static_cast<int32_t>(averaging ? means[k] : values[k].I);
            Offsets.CaptureRequested[b] = false;
            Offsets.ReferenceValid[b] = true;
        }
        if (complete && averaging)
            for (ColumnSums& s : sums)
                s.Clear();
    }
}

void DataRows::BlankBench(int b, int row, CellKind kind)
{
    // Blanks as wide as the values would be: the benches after it keep their place in the line.
    ColumnValue values[6];
    for (int g : kGroupLayoutOrder) {
        const int c = GroupCol[g][b];
        if (c < 0)
            continue;
        for (int p = 0; p < kGroupWidth[g]; ++p)
            Grid.CellRef(c + p, row).clear();
        const int count = GroupValues(g, b, values);
        for (int i = 0; i < count; ++i) {
            const ColumnValue& v = values[i];
            const char* format = kind == CellKind::Raw ? v.RawFmt : kind == CellKind::Mean ? v.MeanFmt : v.StdevFmt;
            Grid.CellRef(c + (kind == CellKind::Raw ? v.RawPos : v.AvgPos), row).assign(size_t(FormatWidth(format)), ' ');
        }
    }
}

void DataRows::DropBlock(int b)
{
    BlankBench(b, MeanCursor, CellKind::Mean);
    if (Mode == kAverageMeanStdev)
        BlankBench(b, StdevCursor, CellKind::Stdev);
    for (int g : kGroupLayoutOrder)
        for (ColumnSums& sum : Sums[b][g])
            sum.Clear();
}

void DataRows::AddDataRow()
{
    // A port lost under the layout: its record keeps the values of before the loss, which
    // must not come back as fresh when the device does.
    for (int b = 0; b < 4; ++b)
        if (Open[b] && !Settings.PortOpen[b])
            Benches[b].DataSinceRequest = false;
    const int maker = RowMaker();
    if (maker < 0 || maker > 3 || !NewData[size_t(maker)])
        return;
    NewData.fill(false);

    int row;
    bool complete;
    if (Mode == kAverageNone) {
        if (MeanCursor >= R - 1)
            ScrollMeanArea();
        else
            ++MeanCursor;
        row = MeanCursor;
        StdevCursor = MeanCursor;
        complete = false;
    } else {
        if (RawCursor >= R - 1)
            ScrollRawArea();
        else
            ++RawCursor;
        row = RawCursor;
        ++Samples;
        complete = Samples >= PerBlock;
        if (complete) {
            if (MeanCursor < StdevCursor - 2)
                ++MeanCursor;
            else
                ScrollMeanArea();
        }
    }

    const int n = Samples;
    for (int b = 0; b < 4; ++b) {
        if (b == First)
            WriteFixedCells(row, complete);
        if (!Open[b])
            continue;
        if (Answering(b)) {
            WriteBench(b, row, complete && !SilentInBlock[b], n);
        } else {
            // Its last values are stale or none at all, so none are shown or summed.
            SilentInBlock[b] = true;
            BlankBench(b, row, CellKind::Raw);
        }
        if (complete && SilentInBlock[b])
            DropBlock(b);
    }
    if (complete || Mode == kAverageNone)
        SilentInBlock.fill(false);

    QString message;
    if (complete || Mode == kAverageNone) {
        Samples = 0;
        if (Feed)
            PublishRows(Clock.NowSeconds());
        message = LoggingStep();
    }
    Grid.NotifyChanges();
    // Shown last: the box is modal and further rows may arrive while it is open.
    if (!message.isEmpty() && Messages)
        Messages->Show(QStringLiteral("Information"), message, IMessageSink::Icon::Information);
}

QString DataRows::LoggingStep()
{
    const RowSettings& s = Settings;
    if (!Log || !Log->IsOpen() || !s.LoggingOn || (s.ManualCollect && !AcceptRequested))
        return {};
    Grid.JoinRowInto(LineBuffer, MeanCursor, Columns);
    const bool withStdev = Mode == kAverageMeanStdev;
    if (withStdev) {
        Grid.JoinRowInto(StdevBuffer, StdevCursor, Columns);
        StdevBuffer += "    STDEV";
    }
    if (s.AcceptBtnEnabled)
        Grid.CopyCells(MeanCursor, StdevCursor, Columns);

    const LogFile::RowResult result = Log->WriteRow(LineBuffer, withStdev ? &StdevBuffer : nullptr);
    ++AcceptCounter;
    AcceptRequested = false;
    if (result == LogFile::RowResult::FirstFull)
        return QString::fromLatin1(kLogFileFull);
    if (result == LogFile::RowResult::Failed)
        return Log->ProblemText();
    return {};
}
