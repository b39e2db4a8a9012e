#pragma once
// The parameter upload and download window: up to four benches, each with its
// own parameter file, copied to files ("Upload") or written back ("Download").
// The procedure itself is ParamTransfer; this window holds the controls and
// forwards clicks, timer ticks and what the link reports.
#include <array>
#include <memory>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "service/param_transfer.h"

class BenchHost;
class IServiceDialogs;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class ParameterEditor;

class ParameterTransferWindow : public BenchWindow, public ReplyClaim, private ParamTransfer::View {
    Q_OBJECT
public:
    // The parameter list of `parameters` names the uploaded parameters.
    ParameterTransferWindow(BenchHost& host, ParameterEditor* parameters, QWidget* parent = nullptr);
    ~ParameterTransferWindow() override;

    // ReplyClaim: while the window is shown and a transfer runs, its flash parameter replies;
    // a time-out of one of them while a transfer runs, shown or not.
    bool Claiming() const override;
    bool Claimed(int k, const RxFrame& frame) override;
    void ClaimedTimeout(int k, uint8_t code) override;

    void UpdateBenchSelection() override;

    void OKBtnClick();
    void CancelBtnClick();
    void StepTimerTick();
    void BenchBoxClick();
    void OpenFileClick(int k);

    ParamTransfer& Transfer() { return transfer_; }
    // The file dialogs and the overwrite question (tests put their own in).
    IServiceDialogs* Dialogs = nullptr;

    std::array<QCheckBox*, 4> BB{};
    std::array<QLineEdit*, 4> FileEdit{};
    std::array<QPushButton*, 4> OpenButton{};
    QRadioButton* DownloadRadio = nullptr;
    QRadioButton* UploadRadio = nullptr;
    QLineEdit* NumParamEdit = nullptr;
    QLineEdit* ParameterEdit = nullptr;
    QLineEdit* StateEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QTimer* StepTimer = nullptr;

private:
    void BuildControls();

    // ParamTransfer::View
    void ShowProcessState(const QString& text) override;
    void ShowParameter(const QString& text) override;
    void SetStartEnabled(bool enabled) override;
    void StopTimer() override;
    void StartTimer(int ms) override;
    bool AskOverwrite() override;
    std::string ParamName(int number) override;
    int64_t NowSeconds() override;
    void SendLoad(int bench, uint16_t number) override;
    void SendRead(int bench, uint16_t number) override;
    void SendWrite(int bench, uint16_t number, const uint8_t* text, int length) override;
    void SendStore(int bench, uint16_t number) override;

    BenchHost& host_;
    ParameterEditor* parameters_;
    std::unique_ptr<IServiceDialogs> ownDialogs_;
    ParamTransfer transfer_;
};
