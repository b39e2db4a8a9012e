#pragma once
// The calibration constants window: one .CAL file per bench, loaded into the
// first ticked bench ("Load Calibration Parameters") or checked against it
// ("Check Calibration Parameters"). The procedure is CalLoadMachine; this
// window holds the controls and forwards clicks, timer ticks and the replies
// the link routes to it.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "service/cal_load_machine.h"

class BenchHost;
class IServiceDialogs;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;
class ParameterEditor;

class CalibrationWindow : public BenchWindow, public ReplyClaim {
    Q_OBJECT
public:
    // The read-back text comes from the parameter editor.
    CalibrationWindow(BenchHost& host, ParameterEditor* parameters, QWidget* parent = nullptr);
    ~CalibrationWindow() override;

    // ReplyClaim: while the window is shown and a procedure runs, its flash parameter replies.
    bool Claiming() const override;
    bool Claimed(int k, const RxFrame& frame) override;

    // Load (true) or check mode, with its caption; ignored while a procedure runs.
    void SetLoadMode(bool load);
    void UpdateBenchSelection() override;

    void OKBtnClick();
    void CancelBtnClick();
    void StepTimerTick();
    void OpenFileClick(int k);

    CalLoadMachine& Machine() { return machine_; }
    // The file dialogs (tests put their own in).
    IServiceDialogs* Dialogs = nullptr;
    // The step intervals as a percentage of the real ones (tests shorten them).
    int TimerPercent = 100;

    std::array<QCheckBox*, 4> BB{};
    std::array<QLineEdit*, 4> FileEdit{};
    std::array<QPushButton*, 4> OpenButton{};
    QLineEdit* StateEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QTimer* StepTimer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();

    BenchHost& host_;
    ParameterEditor* parameters_;
    std::unique_ptr<IServiceDialogs> ownDialogs_;
    CalLoadMachine machine_;
};
