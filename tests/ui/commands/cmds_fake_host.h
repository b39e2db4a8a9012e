#pragma once
// A main window stand-in for the command dialog: it owns the link, answers the
// dialog's questions, records messages and the soft-reset notice, and runs the
// poll tick's hand-over the way the main window does.
#include <array>
#include <vector>

#include "ui/commands/command_dialog.h"
#include "support/fake_host.h"

// The shared stand-in, answering the link's switches and recording the soft-reset
// notice; the command dialog subscribes to the link itself.
class CmdsFakeHost : public FakeHost, public LinkListener {
public:
    int SoftResetDisconnects = 0;
    CommandDialog* Dialog = nullptr;

    CmdsFakeHost()
    {
        TheLink.SetSwitches(this);
        TheLink.Subscribe(*this);
    }
    ~CmdsFakeHost() override
    {
        TheLink.Unsubscribe(*this);
        TheLink.SetSwitches(nullptr);
    }

    void SoftResetAcknowledged(int) override { ++SoftResetDisconnects; }

    void SetSwitchedOn(int k, bool ticked) override
    {
        FakeHost::SetSwitchedOn(k, ticked);
        if (Dialog)
            Dialog->UpdateBenchSelection();
    }

    // What a command menu item does.
    void Choose(uint8_t code)
    {
        Command = code;
        Dialog->OpenForCommand();
    }

    // The main window's poll tick: time-out pass, then the pending hand-over.
    void Tick()
    {
        if (!TheLink.CheckReplyTimeouts())
            return;
        if (!Pending)
            return;
        for (int k = 0; k < 4; ++k) {
            if (SwitchedOn[size_t(k)] && Dialog->BenchButtonOn(k)) {
                TheLink.Benches[size_t(k)].SendDialogCommand(Command);
                if (Command == 0xF0)
                    TheLink.SoftResetGrace = 10;
            }
        }
        Pending = false;
    }
};
