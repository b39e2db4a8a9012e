#include "ui/graphs/stacked_trend_window.h"

#include <QCheckBox>

#include <cmath>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "link/bench_record.h"
#include "link/bench_host.h"
#include "ui/graphs/chart.h"
#include "link/paths.h"
#include "ui/graphs/trend_settings.h"

namespace {
const std::array<QString, 4> Names{QStringLiteral("CO2"), QStringLiteral("Freon"), QStringLiteral("O2"),
                                   QStringLiteral("NO")};
const std::array<QColor, 4> kStackedColours{QColor(0, 0, 255), QColor(255, 0, 0), QColor(128, 128, 0), QColor(0, 255, 255)};
// Where each slot's value sits in a trend sample.
const std::array<int, 4> SampleIndex{kTrendCO2, kTrendFreon, kTrendO2, kTrendNO};
} // namespace

QString StackedTrendWindow::SettingsFile()
{
    return Paths::DriveCPath(QStringLiteral("c:\\GrSOsprey2.txt"));
}

StackedTrendWindow::StackedTrendWindow(BenchHost& host, QWidget* parent) : TrendWindow(host, parent)
{
    setObjectName(QStringLiteral("TFGraph2"));
    setWindowTitle(QStringLiteral("Main Graph Screen"));

    auto* channels = new QGroupBox(tr("Channels"), this);
    channels->setObjectName(QStringLiteral("ChannelGroup"));
    channels->setAccessibleName(tr("Channels"));
    auto* grid = new QGridLayout(channels);
    auto makeBox = [&](const char* name, const QString& caption, bool ticked) {
        auto* box = new QCheckBox(caption, channels);
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(caption);
        box->setChecked(ticked);
        connect(box, &QCheckBox::clicked, this, [this] { ConfigureChart(); });
        return box;
    };
    auto makeEdit = [&](const char* name, const QString& accessible, const char* text) {
        auto* edit = new QLineEdit(QLatin1String(text), channels);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(accessible);
        edit->setMaximumWidth(70);
        return edit;
    };
    CO2 = makeBox("CO2", Names[kCO2], true);
    CO = makeBox("CO", QStringLiteral("NH3"), false);
    HC = makeBox("HC", Names[kFreon], false);
    O2 = makeBox("O2", Names[kO2], false);
    NO = makeBox("NO", Names[kNO], false);
    CO->setVisible(false);
    ChannelBox = {CO2, HC, O2, NO};

    CO2MinEdit = makeEdit("CO2MinEdit", tr("CO2 minimum"), "0");
    CO2MaxEdit = makeEdit("CO2MaxEdit", tr("CO2 maximum"), "20");
    HCMinEdit = makeEdit("HCMinEdit", tr("Freon minimum"), "0");
    HCMaxEdit = makeEdit("HCMaxEdit", tr("Freon maximum"), "25");
    O2MinEdit = makeEdit("O2MinEdit", tr("O2 minimum"), "0");
    O2MaxEdit = makeEdit("O2MaxEdit", tr("O2 maximum"), "25");
    NOMinEdit = makeEdit("NOMinEdit", tr("NO minimum"), "0");
    NOMaxEdit = makeEdit("NOMaxEdit", tr("NO maximum"), "25");
    MinEdit = {CO2MinEdit, HCMinEdit, O2MinEdit, NOMinEdit};
    MaxEdit = {CO2MaxEdit, HCMaxEdit, O2MaxEdit, NOMaxEdit};

    for (int c = 0; c < 4; ++c) {
        auto* min = new QLabel(tr("Min"), channels);
        auto* max = new QLabel(tr("Max"), channels);
        min->setBuddy(MinEdit[size_t(c)]);
        max->setBuddy(MaxEdit[size_t(c)]);
        grid->addWidget(ChannelBox[size_t(c)], c, 0);
        grid->addWidget(min, c, 1);
        grid->addWidget(MinEdit[size_t(c)], c, 2);
        grid->addWidget(max, c, 3);
        grid->addWidget(MaxEdit[size_t(c)], c, 4);
    }
    grid->addWidget(CO, 4, 0);
    Panel->insertWidget(ChannelRow, channels);

    // Flags and range texts from the controls, then from the settings file if
    // it was written under this decimal convention.
    Graph2Settings s;
    for (size_t c = 0; c < 4; ++c) {
        s.ChannelEnabled[c] = ChannelBox[c]->isChecked();
        s.MinTexts[c] = MinEdit[c]->text();
        s.MaxTexts[c] = MaxEdit[c]->text();
    }
    if (ReadGraph2Settings(SettingsFile(), host.DecimalPointIsDot(), s)) {
        for (size_t c = 0; c < 4; ++c) {
            ChannelBox[c]->setChecked(s.ChannelEnabled[c]);
            MinEdit[c]->setText(s.MinTexts[c]);
            MaxEdit[c]->setText(s.MaxTexts[c]);
        }
        CO->setChecked(s.ChannelEnabled[kFreon]);
    }
    const bool dot = host.DecimalPointIsDot();
    for (size_t c = 0; c < 4; ++c) {
        ChannelMin[c] = RangeTextToFloat(MinEdit[c]->text(), dot);
        ChannelMax[c] = RangeTextToFloat(MaxEdit[c]->text(), dot);
    }
    ConfigureChart();
    GraphStartTime = NowSeconds();
}

void StackedTrendWindow::ConfigureChart()
{
    ChannelEnabled[kCO2] = CO2->isChecked();
    ChannelEnabled[kFreon] = CO->isChecked();
    ChannelEnabled[kFreon] = HC->isChecked();
    ChannelEnabled[kO2] = O2->isChecked();
    ChannelEnabled[kNO] = NO->isChecked();
    int enabled = 0;
    for (bool on : ChannelEnabled)
        enabled += on ? 1 : 0;
    if (enabled == 0)
        return;

    ChartModel& m = PEGraph->Model();
    m.SetNullDataValue(NullValue);
    m.SetSubsets(enabled);
    m.SetPoints(GraphPoints);
    m.SetPointLabel(GraphPoints - 1, QStringLiteral(" "));
    m.XAxisLabel = QStringLiteral("Time");
    m.MainTitle = QStringLiteral("CO2, Freon, O2, NO Channels");
    m.SubTitle = QStringLiteral(" ");
    m.GridLines = true;
    m.DeskColor = QColor(192, 192, 192);
    m.SetRYAxisComparisonSubsets(0);
    m.SetMultiAxesSubsets(std::vector<int>(size_t(enabled), 1));
    m.SetMultiAxesProportions(std::vector<double>(size_t(enabled), enabled == 1 ? 1.0 : 0.5));

    const bool dot = Host.DecimalPointIsDot();
    int subset = 0;
    for (size_t c = 0; c < 4; ++c) {
        if (!ChannelEnabled[c])
            continue;
        ChannelMin[c] = RangeTextToFloat(MinEdit[c]->text(), dot);
        ChannelMax[c] = RangeTextToFloat(MaxEdit[c]->text(), dot);
        m.SetWorkingAxis(subset);
        m.SetYAxisLabel(Names[c]);
        m.SetManualScaleControlY(true);
        m.SetManualY(ChannelMin[c], ChannelMax[c]);
        ++subset;
    }
    QStringList labels;
    std::vector<QColor> colours;
    for (size_t c = 0; c < 4; ++c)
        if (ChannelEnabled[c]) {
            labels << Names[c];
            colours.push_back(kStackedColours[c]);
        }
    m.SetSubsetLabels(labels);
    m.SetSubsetColors(colours);
    m.SetSubsetLineTypes(std::vector<int>(size_t(enabled), 0));
    m.ShowAllSubsets();
    m.ClearData();
    PEGraph->Apply();
}

void StackedTrendWindow::WriteSettings()
{
    Graph2Settings s;
    for (size_t c = 0; c < 4; ++c) {
        s.ChannelEnabled[c] = ChannelEnabled[c];
        s.MinTexts[c] = MinEdit[c]->text();
        s.MaxTexts[c] = MaxEdit[c]->text();
    }
    WriteGraph2Settings(SettingsFile(), Host.DecimalPointIsDot(), s);
}

// A reading is never a missing point: one that lands on the null value (a range minimum of -10
// clamps to it) is drawn a hair above it instead, which is -10 to the eye.
float StackedTrendWindow::PlottedReading(float value)
{
    return value == NullValue ? std::nextafter(NullValue, 0.0f) : value;
}

void StackedTrendWindow::AppendSample(const TrendValues& values, const QString& label)
{
    std::vector<float> points;
    for (size_t c = 0; c < 4; ++c)
        if (ChannelEnabled[c])
            points.push_back(PlottedReading(ClampToRange(values[size_t(SampleIndex[c])], ChannelMin[c], ChannelMax[c])));
    PEGraph->AppendPoint(points, label);
}
