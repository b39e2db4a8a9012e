#pragma once
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "link/command_slot.h"
#include "ui/graphs/raw_ir_capture.h"

class BenchHost;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class BenchButtons;
class Chart;
class RawIrLogWindow;
class RawIrHistoryWindow;

// "RawIR": the raw infrared detector waveform of one bench. Start asks the
// selected bench for raw (0x40) or filtered (0x42) IR blocks; each whole cycle
// is written into the chart, five cycles side by side, and logged through the
// IR log window while logging is on.
class RawIrWindow : public BenchWindow, public LinkListener {
    Q_OBJECT
public:
    static constexpr int ChartPoints = 550;
    static constexpr int CycleSamples = RawIrCapture::CycleSamples;

    explicit RawIrWindow(BenchHost& host, QWidget* parent = nullptr);
    ~RawIrWindow() override;

    // Companion windows; the log window is created before this one, the history after it.
    void SetCompanions(RawIrLogWindow* log, RawIrHistoryWindow* history);

    int SelectedBench = -1;
    // Chosen by the menu entry that opened the window.
    bool RawFiltered = false;
    // Chart point where the next cycle is written.
    int PlotPosition = 0;
    RawIrCapture Capture;

    Chart* PEGraph = nullptr;
    BenchButtons* Kestrel = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Stop = nullptr;
    QPushButton* Clear = nullptr;
    QPushButton* DataLogBtn = nullptr;
    QPushButton* UnZoomBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* HistoryIrBtn = nullptr; // hidden "History IR"
    QGroupBox* RawMode = nullptr;
    QRadioButton* Continuous = nullptr;
    QRadioButton* OneShot = nullptr;
    QGroupBox* MarkDataPoints = nullptr;
    QRadioButton* MarkYes = nullptr;
    QRadioButton* MarkNo = nullptr;
    QLineEdit* FilteredEdit = nullptr;
    QLineEdit* NumPhasesEdit = nullptr; // NumPhases
    QLineEdit* NumPointsEdit = nullptr; // NumPoints
    QCheckBox* CO2Chk = nullptr;
    QCheckBox* COChk = nullptr; // "NH3"
    QCheckBox* HCChk = nullptr;
    QCheckBox* RefChk = nullptr;
    QGroupBox* ChannelGain = nullptr;

    // Asks a Yes/No question; tests replace it.
    std::function<bool(const QString& caption, const QString& text)> AskYesNo;

    void UpdateBenchSelection() override;
    // Program shutdown: close without asking.
    void CloseWindow() override;

    // LinkListener: every raw or filtered IR reply goes to HandleRawIRBlock.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    // A raw or filtered IR reply of bench k: a block of the whole layout is new data for the chosen bench.
    void HandleRawIRBlock(int k, const RxFrame& frame);
    // Bench k sent a whole block this window has not taken yet.
    std::array<bool, 4> NewBlock{};

    void StartClick();
    void StopClick();
    void ClearClick();
    void OKBtnClick();
    void ChannelClick();
    void MarkDataPointsClick();
    void UnZoomBtnClick();
    void BenchClick(int selected);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void ConfigureChart();
    void SendRequest(int rate);
    // Appends one cycle of null points to every subset: the chart moves left by a cycle.
    void AppendNullCycle();
    void PlotCycle();
    void LogCycle();

    BenchHost& Host;
    QPointer<RawIrLogWindow> IRLog;
    QPointer<RawIrHistoryWindow> History;
    std::array<QCheckBox*, 4> ChannelBoxes{};
    bool ProgramClosing = false;
    // The short-block message is shown once per setting of NumPoints.
    bool ShortBlockReported = false;
    std::vector<float> Nulls;
    std::vector<std::string> Lines;
};
