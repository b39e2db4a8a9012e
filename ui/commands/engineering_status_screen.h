#pragma once
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "ui/common/bench_window.h"
#include "link/link_listener.h"

class BenchHost;
class QLineEdit;
class QPushButton;
class BenchButtons;

// Blocks until the wall clock's seconds count moves on, for at most one
// second; nothing else runs meanwhile (the bench gets time to take a stop
// request before anything else is sent). Clock and sleep are injectable.
struct SecondWait {
    std::function<int64_t()> NowMs;    // wall clock in ms; empty: the system clock
    std::function<void(int)> SleepMs;  // empty: a thread sleep
    void Run() const;
};

// The "Service Errors" window: the twelve engineering status bytes of the
// chosen bench as " OK " / " Check " flags, and Start/Stop of that bench's
// engineering status stream ($41).
class EngineeringStatusScreen : public BenchWindow, public LinkListener {
    Q_OBJECT
public:
    explicit EngineeringStatusScreen(BenchHost& host, QWidget* parent = nullptr);
    ~EngineeringStatusScreen() override;

    int SelectedBench() const;
    void UpdateBenchSelection() override;
    // An engineering data ($44) or engineering status ($41) reply of bench k
    // was decoded: redraw the chosen bench.
    void BenchData(int k) override;
    // LinkListener: engineering data ($44) and engineering status ($41) replies.
    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;
    // Shutdown with the window visible: stop the stream, then hide.
    void CloseWindow() override;

    void BenchButtonClick();
    void StartBtnClick();
    void StopBtnClick();
    // Stops the chosen bench's stream and waits up to a second.
    void FormClose();
    void ShowEngineeringStatus();
    void ClearEngineeringStatus();

    QLineEdit* Field(const QString& name) const { return Fields.value(name); }

    BenchButtons* GrpBench = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* StopBtn = nullptr;
    SecondWait CloseWait;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    BenchHost& Host;
    QHash<QString, QLineEdit*> Fields;
    // Bench k has delivered engineering status (a $41 reply or a $44 data reply).
    std::array<bool, 4> EngStatusSeen{};
};
