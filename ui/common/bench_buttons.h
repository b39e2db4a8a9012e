#pragma once
#include <QGroupBox>
#include <QRadioButton>
#include <array>
#include <functional>

// The rule every bench-selecting window follows when the main window's Active
// boxes change: a button is enabled exactly when its bench is switched on; a
// selection that lost its bench is dropped; with none left, the last enabled
// button is chosen.
struct BenchSelection {
    std::array<bool, 4> Enabled{};
    std::array<bool, 4> On{};
    int Selected = -1;

    void Update(const std::array<bool, 4>& switchedOn);
};

// Group box with the radio buttons BB1..BB4 ("1" to "4"), disabled at start.
class BenchButtons : public QGroupBox {
    Q_OBJECT
public:
    explicit BenchButtons(const QString& caption, QWidget* parent = nullptr);

    std::array<QRadioButton*, 4> BB{};
    int SelectedBench() const { return Selected; }

    // Re-syncs the buttons with the benches that are switched on.
    void UpdateBenchSelection(const std::array<bool, 4>& switchedOn);
    // Index of the button that is on (highest if several), -1 when none.
    int ButtonOn() const;

signals:
    // A user click on a bench button (after SelectedBench was updated).
    void BenchClicked(int selected);
    // A user click that chose another bench; a click on the bench already chosen raises nothing.
    // Windows whose click handler throws away state (entries, plotted points) listen to this.
    void BenchChanged(int selected);

private:
    class QButtonGroup* Group = nullptr;
    int Selected = -1;
};
