#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "ui/graphs/trend_sample.h"

class BenchHost;
class QCloseEvent;
class QPushButton;
class QVBoxLayout;
class BenchButtons;
class Chart;
struct BenchRecord;

// What the two trend graphs share: the chart of the newest 130 samples of
// one bench, the bench buttons, Start/Stop/Freeze/Clear/Apply, and the
// settings file written on close.
class TrendWindow : public BenchWindow, public LinkListener {
    Q_OBJECT
public:
    static constexpr int GraphPoints = 130;

    explicit TrendWindow(BenchHost& host, QWidget* parent = nullptr);
    ~TrendWindow() override;

    int SelectedBench() const;
    bool GraphStopped = false;
    int64_t GraphStartTime = 0; // whole seconds
    // Whole seconds of the clock the point labels count on; tests replace it.
    std::function<int64_t()> NowSeconds;

    Chart* PEGraph = nullptr;
    BenchButtons* Kestrel = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Stop = nullptr;
    QPushButton* FreezeBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* ApplyButton = nullptr;

    void UpdateBenchSelection() override;
    // The link's refresh after a data reply of any bench.
    void BenchData(int k) override;
    // LinkListener: a data reply gives bench k a new sample for this graph.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    // Bench k has a sample this graph has not drawn yet.
    std::array<bool, 4> NewData{};
    // Program shutdown: as if the user closed the window.
    void CloseWindow() override;

    // Appends one point from the selected bench when the window is running,
    // visible and that bench has new data for this graph.
    void AddSample();
    void StartClick();
    void StopClick();
    void FreezeBtnClick();
    // Appends a full chart of null points, which empties the view.
    void ClearBtnClick();
    virtual void ApplyButtonClick() = 0;
    // Writes the settings file (silently skipped when it cannot be written).
    virtual void WriteSettings() = 0;

protected:
    virtual void AppendSample(const TrendValues& values, const QString& label) = 0;
    void closeEvent(QCloseEvent* event) override;

    BenchHost& Host;
    // Right-hand column; windows insert their channel controls at ChannelRow.
    QVBoxLayout* Panel = nullptr;
    static constexpr int ChannelRow = 1;
};
