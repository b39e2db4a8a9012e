#pragma once
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

#include "link/dialog_command_args.h"
#include "link/message_sink.h"

struct BenchRecord;

// The command dialog's control pool as plain data. A panel's set-up, collect
// step and reply display work on this; the dialog copies it to and from its
// widgets, so the panels run in tests without any widget.
struct PanelLabel {
    bool Visible = false;
    QString Caption;
    QRect Geometry;
};

struct PanelEdit {
    bool Visible = false;
    QString Text;
    QRect Geometry;
};

struct PanelCheck {
    bool Visible = false;
    QString Caption;
    bool Checked = false;
    QRect Geometry;
};

struct PanelRadioGroup {
    bool Visible = false;
    QString Caption;
    QStringList Items;
    int Columns = 1;
    int Selected = -1;
    QRect Geometry;
};

struct PanelView {
    std::array<PanelLabel, 15> Label;   // Label1..Label15
    std::array<PanelEdit, 21> Edit;     // Edit1..Edit21
    std::array<PanelCheck, 8> Check;    // CheckBox1..CheckBox8
    std::array<PanelRadioGroup, 8> Radio; // RadioGroup1..RadioGroup8
    bool InProgVisible = false;         // "Process State" row
    QString InProgText;
    bool MemoVisible = false;           // the New NO Sensor warning

    // 1-based accessors, so panel code reads like the control names.
    PanelLabel& L(int n) { return Label[size_t(n - 1)]; }
    PanelEdit& E(int n) { return Edit[size_t(n - 1)]; }
    PanelCheck& C(int n) { return Check[size_t(n - 1)]; }
    PanelRadioGroup& R(int n) { return Radio[size_t(n - 1)]; }
    const PanelEdit& E(int n) const { return Edit[size_t(n - 1)]; }
    const PanelCheck& C(int n) const { return Check[size_t(n - 1)]; }
    const PanelRadioGroup& R(int n) const { return Radio[size_t(n - 1)]; }
};

// The last accepted entries of the panels, shown again when a panel is next
// built. Several panels share one value (see the panels that read them).
struct RememberedValues {
    uint8_t LastPurgeTime = 0;
    uint8_t LastTagMask = 0;
    int16_t LastTagValue = 0;
    std::array<int16_t, 5> LastSpanValues{};
    uint8_t LastPump = 0;
    uint8_t LastDeviceValues = 0;
    uint8_t LastDataRate = 2; // "Continuous"
    uint8_t LastFreonMode = 0;
    uint8_t LastFilterBits = 0;
    uint8_t LastAlgorithm = 0;
    uint8_t LastSwitchMask = 0;
    uint8_t LastLocation = 0;
    std::array<uint8_t, 20> LastWriteBytes{};
    uint8_t LastVacuumTime = 0;
    uint8_t LastLeakTime = 0;
    uint8_t LastTolerance = 0;
};

// One entry fault: its own modal box.
struct PanelFault {
    QString Text;
    IMessageSink::Icon Icon = IMessageSink::Icon::Information;
};
using PanelFaults = std::vector<PanelFault>;

// What a collect step works with. It writes Args and Remembered only when it
// finds no fault; the caller then hands Args to the selected bench.
struct CollectContext {
    PanelView& View;
    RememberedValues& Remembered;
    DialogCommandArgs& Args;
    QChar DecimalSeparator = QLatin1Char('.');
};

// One command's panel: set-up data, pre-send clearing, collect step and reply
// display. Missing steps are null.
struct PanelDef {
    uint8_t Code;
    const char* Caption;
    void (*SetUp)(PanelView& view, const RememberedValues& remembered, QChar separator);
    void (*Clear)(PanelView& view);
    PanelFaults (*Collect)(CollectContext& c);
    void (*ShowReply)(PanelView& view, const BenchRecord& bench, QChar separator);
};
