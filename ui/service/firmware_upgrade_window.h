#pragma once
// The "Flash Firmware Download" window: choose one bench and an S-record file,
// then the download runs as UpgradeMachine; this window holds the controls,
// forwards clicks and the replies the link hands it, and draws the machine's
// display state. While busy it owns the link's replies.
#include <memory>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "service/upgrade_machine.h"

class BenchHost;
class IServiceDialogs;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class BenchButtons;

class FirmwareUpgradeWindow : public BenchWindow, public ReplyClaim {
    Q_OBJECT
public:
    explicit FirmwareUpgradeWindow(BenchHost& host, QWidget* parent = nullptr);
    ~FirmwareUpgradeWindow() override;

    // ReplyClaim: while the download runs, every expected reply of every bench and nothing else.
    bool Claiming() const override;
    bool Exclusive() const override { return true; }
    bool Claimed(int k, const RxFrame& frame) override;

    void UpdateBenchSelection() override;
    // Shutdown while shown: the same as closing the window.
    void CloseWindow() override;

    void StartBtnClick();
    void CancelBtnClick();
    void FormClose();
    int SelectedBench() const;

    UpgradeMachine& Machine() { return machine_; }
    // The file dialog (tests put their own in).
    IServiceDialogs* Dialogs = nullptr;

    QLabel* BootText = nullptr;
    QLabel* EraseText = nullptr;
    QLabel* ProgrammingText = nullptr;
    QLabel* ProgAddress = nullptr;
    QLabel* HexAddressText = nullptr;
    QLabel* RangeLabel = nullptr;
    QLabel* RangeText = nullptr;
    QLineEdit* RecordLineEdit = nullptr;
    QProgressBar* ProgressGauge = nullptr;
    QLabel* Success = nullptr;
    BenchButtons* BenchGroup = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void Render();
    void Warn(const QString& text);

    BenchHost& host_;
    std::unique_ptr<IServiceDialogs> ownDialogs_;
    UpgradeMachine machine_;
};
