#pragma once
// The flash parameter editor: read, write, store and load one numbered flash
// parameter of the chosen bench, labelled from the parameter list. It shows
// every Read Flash Parameters reply of any bench, also while hidden, and keeps
// that reply's text for the calibration procedure.
#include <QByteArray>
#include <cstdint>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "service/param_list.h"

class BenchHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class BenchButtons;
struct RxFrame;

class ParameterEditor : public BenchWindow, public LinkListener {
    Q_OBJECT
public:
    // Reads the parameter list from listPath ("ParamLst.c" in the working
    // directory when empty) and tests the marker file "C:\Flash.Ok".
    explicit ParameterEditor(BenchHost& host, const QString& listPath = {}, QWidget* parent = nullptr);
    ~ParameterEditor() override;

    void UpdateBenchSelection() override;
    // Sends Read Flash Parameters for CurrentParam to the chosen bench.
    void ReadParameter();
    // Reads CurrentParam back from bench k (the bench whose load was just acknowledged).
    void ReadParameterFrom(int k);
    // The link's handler for acknowledged 0x48, 0x49, 0x54 and 0x55 replies.
    void ParamReply(int bench, const RxFrame& frame);
    // LinkListener: every acknowledged flash parameter reply ($48, $49, $54, $55) goes to ParamReply.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    // Shows a Read Flash Parameters reply and keeps its text.
    void ShowParameterValues(const RxFrame& frame);

    // Text of the latest Read Flash Parameters reply shown (for the
    // calibration procedure); empty while a reply is being laid out.
    const QByteArray& LastParamText() const { return lastParamText_; }
    // The calibration procedure empties it before each read-back it waits for.
    void ClearLastParamText() { lastParamText_.clear(); }
    const ParameterList& ParamList() const { return list_; }
    int SelectedBench() const;

    void ReadButtonClick();
    void WriteBtnClick();
    void LoadBtnClick();
    void StoreBtnClick();
    void ParamNameComboChange();
    void ParamNumberEditChange();
    void BenchButtonClick();

    uint16_t CurrentParam = 0;
    bool FlashStoreAllowed = false;

    QPlainTextEdit* ValueText = nullptr;
    QComboBox* ParamNameCombo = nullptr;
    QLineEdit* ParamNumberEdit = nullptr;
    QLabel* TypeLabel = nullptr;
    QLabel* ElementsLabel = nullptr;
    QLabel* BankLabel = nullptr;
    QPushButton* ReadButton = nullptr;
    QPushButton* WriteBtn = nullptr;
    QPushButton* LoadBtn = nullptr;
    QPushButton* StoreBtn = nullptr;
    BenchButtons* BenchGroup = nullptr;
    QLineEdit* ColumnEdit = nullptr;
    QPushButton* CloseBtn = nullptr;

private:
    void BuildControls();
    void ShowLabels(int number);
    // Strict number of ParamNumberEdit within 0..400 (a message otherwise).
    bool TakeNumber(bool lenient, int* number);
    void ClearMemo();

    BenchHost& host_;
    ParameterList list_;
    QByteArray lastParamText_;
};
