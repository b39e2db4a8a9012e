#pragma once
// A main window stand-in for the command dialog: it owns the link, answers the
// dialog's questions, records messages and the soft-reset notice, and runs the
// poll tick's hand-over the way the main window does.
#include <QStringList>

#include <array>
#include <vector>

#include "bench_host.h"
#include "cmds.h"
#include "link.h"
#include "message_sink.h"

struct RecordingSink : IMessageSink {
    struct Message {
        QString Caption;
        QString Text;
        Icon IconShown;
    };
    std::vector<Message> Shown;
    void Show(const QString& caption, const QString& text, Icon icon) override { Shown.push_back({caption, text, icon}); }
    QStringList Texts() const
    {
        QStringList t;
        for (const Message& m : Shown)
            t << m.Text;
        return t;
    }
};

class FakeHost : public BenchHost {
public:
    Link TheLink;
    std::array<bool, 4> SwitchedOn{};
    uint8_t Command = 0;
    bool Pending = false;
    bool DotDecimal = true;
    RecordingSink Sink;
    int SoftResetDisconnects = 0;
    TFCmds* Dialog = nullptr;

    FakeHost()
    {
        LinkHooks& h = TheLink.Hooks;
        h.DialogCommand = [this] { return Command; };
        h.BenchSwitchedOn = [this](int k) { return SwitchedOn[size_t(k)]; };
        h.PortOpen = [this](int k) { return SwitchedOn[size_t(k)]; };
        h.ShowCommandReply = [this](uint8_t code) {
            if (Dialog)
                Dialog->ShowCommandReply(code);
        };
        h.CompleteCommand = [this] {
            if (Dialog)
                Dialog->CompleteCommand();
        };
        h.SoftResetDisconnect = [this] { ++SoftResetDisconnects; };
    }

    Link& BenchLink() override { return TheLink; }
    bool BenchSwitchedOn(int k) const override { return SwitchedOn[size_t(k)]; }
    bool PortOpen(int k) const override { return SwitchedOn[size_t(k)]; }
    void SetBenchTicked(int k, bool ticked) override
    {
        SwitchedOn[size_t(k)] = ticked;
        if (Dialog)
            Dialog->UpdateBenchSelection();
    }
    uint8_t DialogCommand() const override { return Command; }
    void SetDialogCommand(uint8_t code) override { Command = code; }
    bool DialogCommandPending() const override { return Pending; }
    void SetDialogCommandPending(bool pending) override { Pending = pending; }
    bool Closing() const override { return false; }
    bool DecimalPointIsDot() const override { return DotDecimal; }
    bool HCDivisor100() const override { return false; }
    IMessageSink& Messages() override { return Sink; }

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
