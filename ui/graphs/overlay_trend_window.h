#pragma once
#include <array>

#include "ui/graphs/trend_window.h"

class QCheckBox;
class QLineEdit;

// Trend graph 1: CO2 and O2 in percent on the left axis, Freon and NO in ppm
// on the right, all four always drawn. The channel flags only travel to the
// settings file "c:\GrSOsprey1.txt".
class OverlayTrendWindow : public TrendWindow {
    Q_OBJECT
public:
    explicit OverlayTrendWindow(BenchHost& host, QWidget* parent = nullptr);

    static constexpr float NullValue = -11.0f;
    static QString SettingsFile();

    // Slots CO2, O2, Freon, NO (subset order).
    std::array<bool, 4> ChannelEnabled{};

    QCheckBox* CO2 = nullptr;
    QCheckBox* CO = nullptr; // hidden "NH3"; shares the O2 slot
    QCheckBox* O2 = nullptr;
    QCheckBox* HC = nullptr;
    QCheckBox* NO = nullptr;
    QLineEdit* CO2COO2MinEdit = nullptr;
    QLineEdit* CO2COO2MaxEdit = nullptr;
    QLineEdit* HCNOMinEdit = nullptr;
    QLineEdit* HCNOMaxEdit = nullptr;

    // Apply and every channel box: colours and both ranges again.
    void ApplyButtonClick() override;
    void WriteSettings() override;

protected:
    void AppendSample(const TrendValues& values, const QString& label) override;

private:
    void FlagsFromBoxes();
    void ApplyColoursAndRanges();
};
