#pragma once
#include "link/message_sink.h"

#include <QDialog>
#include <QString>

#include <array>

class ComPort;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Communications settings: baud rate of the open ports, bench 1's device, trace of bench 1's port.
// Every change applies at once; the dialog is created once and only hidden when closed.
class CommSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kBaudRates[5] = {9600, 19200, 38400, 57600, 115200};
    static constexpr int kTraceEntries = 10000;

    CommSettingsDialog(std::array<ComPort*, 4> ports, IMessageSink& messages, QWidget* parent = nullptr);

    // The radio group "&Baud Rate"; BaudItems[i] stands for kBaudRates[i].
    QGroupBox* Baud;
    std::array<QRadioButton*, 5> BaudItems;
    QPushButton* TraceBtn;
    QLabel* PortNumberLabel;
    QLineEdit* PortNumberEdit;
    QPushButton* ApplyPortBtn;
    QPushButton* OKBtn;

    // Bench 1's port label text, rebuilt by each device test ("Com 1" at start).
    QString PortLabelText = QStringLiteral("Com 1");

    int BaudItemIndex() const;
    // Selects item i; a change of item applies its rate, as a click on it does.
    void SelectBaudItem(int i);

    // Handlers
    void BaudClick();
    void TraceBtnClick();
    void ApplyPortBtnClick();

signals:
    // Bench 1 moved to another device: the text for the main window's label of bench 1's port.
    void PortLabelChanged(const QString& text);

private:
    std::array<ComPort*, 4> ports_;
    IMessageSink& messages_;
    QButtonGroup* baudGroup_;
};
