#pragma once

// The four bench boxes of the program that owns the ports (the main window's ActiveBench1..4),
// k = 0..3: enabled while port k's device can be claimed, ticked while the user wants the bench.
// The port activation sets them; the acquisition cycle and the windows read them.
class IBenchBoxes {
public:
    virtual ~IBenchBoxes() = default;
    virtual bool BoxEnabled(int k) const = 0;
    virtual bool BoxTicked(int k) const = 0;
    virtual void SetBoxEnabled(int k, bool enabled) = 0;
    // Unticking from code is expected to call PortActivation::Activate again (the box's change notice).
    virtual void SetBoxTicked(int k, bool ticked) = 0;

    // Enabled and ticked: the bench is switched on.
    bool BoxOn(int k) const { return BoxEnabled(k) && BoxTicked(k); }
};
