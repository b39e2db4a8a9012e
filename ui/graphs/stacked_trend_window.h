#pragma once
#include <array>

#include "ui/graphs/trend_window.h"

class QCheckBox;
class QLineEdit;

// Trend graph 2 ("Main Graph Screen"): one stacked axis per enabled channel,
// values clamped into each channel's range. Settings file "c:\GrSOsprey2.txt".
class StackedTrendWindow : public TrendWindow {
    Q_OBJECT
public:
    explicit StackedTrendWindow(BenchHost& host, QWidget* parent = nullptr);

    static constexpr float NullValue = -10.0f;
    static QString SettingsFile();

    // Slots in this window's channel order: CO2, Freon, O2, NO.
    enum Slot { kCO2 = 0, kFreon = 1, kO2 = 2, kNO = 3 };
    std::array<bool, 4> ChannelEnabled{};
    std::array<float, 4> ChannelMin{};
    std::array<float, 4> ChannelMax{};

    QCheckBox* CO2 = nullptr;
    QCheckBox* CO = nullptr; // hidden "NH3"; shares the Freon slot
    QCheckBox* HC = nullptr;
    QCheckBox* O2 = nullptr;
    QCheckBox* NO = nullptr;
    std::array<QCheckBox*, 4> ChannelBox{};
    QLineEdit* CO2MinEdit = nullptr;
    QLineEdit* CO2MaxEdit = nullptr;
    QLineEdit* HCMinEdit = nullptr;
    QLineEdit* HCMaxEdit = nullptr;
    QLineEdit* O2MinEdit = nullptr;
    QLineEdit* O2MaxEdit = nullptr;
    QLineEdit* NOMinEdit = nullptr;
    QLineEdit* NOMaxEdit = nullptr;
    std::array<QLineEdit*, 4> MinEdit{};
    std::array<QLineEdit*, 4> MaxEdit{};

    // One subset and axis per enabled channel, all points null; with no
    // channel enabled the chart stays as it is.
    void ConfigureChart();
    void ApplyButtonClick() override { ConfigureChart(); }
    void WriteSettings() override;

    // The value drawn for a clamped reading: never the null value, which would draw a gap.
    static float PlottedReading(float value);

protected:
    void AppendSample(const TrendValues& values, const QString& label) override;
};
