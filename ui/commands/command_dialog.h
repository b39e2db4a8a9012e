#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "ui/commands/panel_view.h"

class BenchHost;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class BenchButtons;
class PanelRadioGroupWidget;

// The bench command dialog: one form whose panel is rebuilt for the command
// chosen in the main window's menus. Send checks the entries, writes the
// selected bench's CommandArgs and asks the main window's poll tick to send;
// the reply and the link status line are shown when they arrive.
class CommandDialog : public CommandDialogBase, private LinkListener {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 6001;
    static constexpr int kWaitFallbackMs = 10000;

    explicit CommandDialog(BenchHost& host, QWidget* parent = nullptr);
    ~CommandDialog() override;

    // Control pool and fixed part; object names are the control names.
    std::array<QLabel*, 15> Label{};
    std::array<QLineEdit*, 21> Edit{};
    std::array<QCheckBox*, 8> CheckBox{};
    std::array<PanelRadioGroupWidget*, 8> RadioGroup{};
    QFrame* PanelFrame = nullptr;
    QLabel* InProgLabel = nullptr;
    QLineEdit* InProgEdit = nullptr;
    QLabel* AckNakLabel = nullptr;
    QLineEdit* AckNakEdit = nullptr;
    QLabel* SerNumLabel = nullptr;
    QLineEdit* SerNumEdit = nullptr;
    QPlainTextEdit* NoSensorWarning = nullptr;
    QPushButton* SendBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    BenchButtons* GrpBench = nullptr;
    QTimer* WaitTimer = nullptr;

    // Opens the help at a topic; wired by the help window.
    std::function<void(int)> ShowHelp;

    // Last accepted entries, shown again when their panels are next built.
    RememberedValues Remembered;

    int SelectedBench() const;
    bool WaitingForReply() const { return Waiting; }
    // The pool as the last operation left it.
    const PanelView& View() const { return View_; }

    // Event handlers.
    void FormShow();
    void ResetPanel();
    void BenchButtonClick();
    void SendBtnClick();
    void CloseBtnClick();
    void HelpBtnClick();
    void WaitTimerTick();

    // CommandDialogBase
    void UpdateBenchSelection() override;
    void ShowCommandReply(uint8_t code) override;
    void CompleteCommand() override;
    bool BenchButtonOn(int k) const override;

protected:
    void showEvent(QShowEvent* event) override;

    // LinkListener: a decoded reply to the command on show is shown, its end completes the dialog.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    void RequestEnded(int k, uint8_t code) override;
    // The reply of bench k to code is in its record: marked ready and shown when the dialog shows code.
    void ReplyReadyIfShown(int k, uint8_t code);

private:
    void BuildForm();
    void PullFromWidgets();
    void PushToWidgets();
    QChar DecimalSeparator() const;

    BenchHost& Host;
    PanelView View_;
    bool Waiting = false;
};
