#pragma once
#include <array>
#include <QHash>
#include <QString>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"
#include "ui/commands/status_decode.h"

class BenchHost;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class BenchButtons;

// Helpers shared by the two status screens: a labelled read-only field row and
// writing a decoded text with its colour.
namespace StatusFields {
struct Row {
    QLabel* Label;
    QLineEdit* Edit;
};
Row AddRow(QGroupBox* group, std::string_view label, std::string_view field, int y, int fieldX, int fieldWidth);
void Apply(QLineEdit* edit, const StatusDecode::FieldText& value);
// Writes each decoded value into the field of its name; empties every field.
void ApplyAll(const QHash<QString, QLineEdit*>& fields, const std::vector<StatusDecode::FieldText>& values);
void ClearAll(const QHash<QString, QLineEdit*>& fields);
} // namespace StatusFields

// The "Status" window: the four status bytes of the chosen bench, decoded into
// mode, channel validity and problem flags. It sends nothing.
class StatusScreen : public BenchWindow, public LinkListener {
    Q_OBJECT
public:
    explicit StatusScreen(BenchHost& host, QWidget* parent = nullptr);
    ~StatusScreen() override;

    int SelectedBench() const;
    // Re-syncs the bench buttons with the main window's Active boxes.
    void UpdateBenchSelection() override;
    // A data/status reply of any bench was decoded: redraw the chosen bench.
    void BenchData(int k) override;
    // LinkListener: every data reply ($01, $06, $44) carries the status bytes.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;

    void BenchButtonClick();
    void UpdateBtnClick();
    // Redraws from the chosen bench; nothing while hidden, with no bench
    // chosen, or before that bench has delivered any status.
    void ShowStatus();
    void ClearStatus();

    // Field by control name (nullptr for an unknown name).
    QLineEdit* Field(const QString& name) const { return Fields.value(name); }

    BenchButtons* GrpBench = nullptr;
    QPushButton* UpdateBtn = nullptr;

private:
    BenchHost& Host;
    QHash<QString, QLineEdit*> Fields;
    // Bench k has delivered status bytes.
    std::array<bool, 4> StatusSeen{};
};
