#include "ui/graphs/overlay_trend_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "link/bench_record.h"
#include "link/bench_host.h"
#include "ui/graphs/chart.h"
#include "link/paths.h"
#include "ui/graphs/trend_settings.h"

namespace {
const std::array<QColor, 4> kOverlayColours{QColor(0, 0, 255), QColor(128, 128, 0), QColor(255, 0, 0), QColor(0, 255, 255)};

QCheckBox* MakeBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(caption);
    box->setChecked(true);
    return box;
}
} // namespace

QString OverlayTrendWindow::SettingsFile()
{
    return Paths::DriveCPath(QStringLiteral("c:\\GrSOsprey1.txt"));
}

OverlayTrendWindow::OverlayTrendWindow(BenchHost& host, QWidget* parent) : TrendWindow(host, parent)
{
    setObjectName(QStringLiteral("TFGraph1"));
    setWindowTitle(QStringLiteral("FGraph1"));

    auto* channels = new QGroupBox(tr("Channels"), this);
    channels->setObjectName(QStringLiteral("ChannelGroup"));
    channels->setAccessibleName(tr("Channels"));
    CO2 = MakeBox(channels, "CO2", QStringLiteral("CO2"));
    CO = MakeBox(channels, "CO", QStringLiteral("NH3"));
    O2 = MakeBox(channels, "O2", QStringLiteral("O2"));
    HC = MakeBox(channels, "HC", QStringLiteral("Freon"));
    NO = MakeBox(channels, "NO", QStringLiteral("NO"));
    CO->setVisible(false);

    auto* form = new QFormLayout;
    auto addEdit = [&](QLineEdit*& edit, const char* name, const QString& caption, const char* text) {
        edit = new QLineEdit(QLatin1String(text), channels);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(caption);
        auto* label = new QLabel(caption, channels);
        label->setBuddy(edit);
        form->addRow(label, edit);
    };
    addEdit(CO2COO2MinEdit, "CO2COO2MinEdit", tr("CO2, O2 min"), "0");
    addEdit(CO2COO2MaxEdit, "CO2COO2MaxEdit", tr("CO2, O2 max"), "100");
    addEdit(HCNOMinEdit, "HCNOMinEdit", tr("Freon, NO min"), "0");
    addEdit(HCNOMaxEdit, "HCNOMaxEdit", tr("Freon, NO max"), "100");

    auto* column = new QVBoxLayout(channels);
    for (QCheckBox* box : {CO2, CO, O2, HC, NO}) {
        column->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this] { ApplyButtonClick(); });
    }
    column->addLayout(form);
    Panel->insertWidget(ChannelRow, channels);

    ChartModel& m = PEGraph->Model();
    m.SetSubsets(4);
    m.SetPoints(GraphPoints);
    m.SetPointLabel(GraphPoints - 1, QStringLiteral(" "));
    m.MainTitle = QStringLiteral("CO2, Freon, O2, NO channels");
    m.SubTitle = QStringLiteral(" ");
    m.DeskColor = QColor(192, 192, 192);

    // Flags from the boxes, then the settings file if it was written under this decimal convention.
    FlagsFromBoxes();
    Graph1Settings s;
    s.ChannelEnabled = ChannelEnabled;
    if (ReadGraph1Settings(SettingsFile(), host.DecimalPointIsDot(), s)) {
        ChannelEnabled = s.ChannelEnabled;
        CO2COO2MinEdit->setText(s.RangeTexts[0]);
        CO2COO2MaxEdit->setText(s.RangeTexts[1]);
        HCNOMinEdit->setText(s.RangeTexts[2]);
        HCNOMaxEdit->setText(s.RangeTexts[3]);
    }
    CO2->setChecked(ChannelEnabled[kTrendCO2]);
    CO->setChecked(ChannelEnabled[kTrendO2]);
    O2->setChecked(ChannelEnabled[kTrendO2]);
    HC->setChecked(ChannelEnabled[kTrendFreon]);
    NO->setChecked(ChannelEnabled[kTrendNO]);

    m.SetRYAxisComparisonSubsets(2);
    m.SetYAxisLabel(QStringLiteral("CO2, O2 in %"));
    m.RightAxis.Label = QStringLiteral("Freon, NO in ppm");
    m.XAxisLabel = QStringLiteral("Time");
    m.SetManualScaleControlY(true);
    m.RightAxis.Manual = true;
    m.GridLines = true;
    m.SetNullDataValue(NullValue);
    m.ClearData();
    m.SetSubsetLabels({QStringLiteral("CO2"), QStringLiteral("O2"), QStringLiteral("Freon"), QStringLiteral("NO")});
    m.SetSubsetLineTypes({0, 0, 0, 0});
    ApplyColoursAndRanges();

    GraphStartTime = NowSeconds();
}

void OverlayTrendWindow::FlagsFromBoxes()
{
    ChannelEnabled[kTrendCO2] = CO2->isChecked();
    ChannelEnabled[kTrendO2] = CO->isChecked();
    ChannelEnabled[kTrendO2] = O2->isChecked();
    ChannelEnabled[kTrendFreon] = HC->isChecked();
    ChannelEnabled[kTrendNO] = NO->isChecked();
}

void OverlayTrendWindow::ApplyColoursAndRanges()
{
    ChartModel& m = PEGraph->Model();
    m.SetSubsetColors({kOverlayColours.begin(), kOverlayColours.end()});
    const bool dot = Host.DecimalPointIsDot();
    m.SetManualY(RangeTextToFloat(CO2COO2MinEdit->text(), dot), RangeTextToFloat(CO2COO2MaxEdit->text(), dot));
    m.RightAxis.Min = RangeTextToFloat(HCNOMinEdit->text(), dot);
    m.RightAxis.Max = RangeTextToFloat(HCNOMaxEdit->text(), dot);
    PEGraph->Apply();
}

void OverlayTrendWindow::ApplyButtonClick()
{
    FlagsFromBoxes();
    ApplyColoursAndRanges();
}

void OverlayTrendWindow::WriteSettings()
{
    Graph1Settings s;
    s.ChannelEnabled = ChannelEnabled;
    s.RangeTexts = {CO2COO2MinEdit->text(), CO2COO2MaxEdit->text(), HCNOMinEdit->text(), HCNOMaxEdit->text()};
    WriteGraph1Settings(SettingsFile(), Host.DecimalPointIsDot(), s);
}

void OverlayTrendWindow::AppendSample(const TrendValues& values, const QString& label)
{
    PEGraph->AppendPoint({values.begin(), values.end()}, label);
}
