#pragma once
// A main window stand-in for the secondary windows: it answers their
// questions from plain fields and records the messages they show.
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

#include "link/bench_host.h"
#include "link/link.h"
#include "link/message_sink.h"

struct RecordingSink : IMessageSink {
    struct Message {
        QString Caption;
        QString Text;
        Icon IconShown;
        Button ButtonShown = Button::Ok;
    };
    std::vector<Message> Shown;
    void Show(const QString& caption, const QString& text, Icon icon) override { Shown.push_back({caption, text, icon}); }
    void ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button) override
    {
        Shown.push_back({caption, text, icon, button});
    }
    QStringList Texts() const
    {
        QStringList t;
        for (const Message& m : Shown)
            t << m.Text;
        return t;
    }
};

class FakeHost : public BenchHost, public LinkSwitches {
public:
    // Uses its own link, or one a test fixture owns.
    explicit FakeHost(Link* link = nullptr) : TheLink(link ? *link : OwnLink) {}

private:
    Link OwnLink; // declared before TheLink, which may refer to it

public:
    Link& TheLink;
    std::array<bool, 4> SwitchedOn{};
    uint8_t Command = 0;
    bool Pending = false;
    bool Dot = true;
    bool Divisor100 = false;
    RecordingSink Sink;

    Link& BenchLink() override { return TheLink; }
    bool BenchSwitchedOn(int k) const override { return k >= 0 && k < 4 && SwitchedOn[size_t(k)]; }
    bool PortOpen(int k) const override { return BenchSwitchedOn(k); }
    // The user ticks (or unticks) bench k's box.
    virtual void SetSwitchedOn(int k, bool ticked)
    {
        if (k >= 0 && k < 4)
            SwitchedOn[size_t(k)] = ticked;
    }
    uint8_t DialogCommand() const override { return Command; }
    void SetDialogCommand(uint8_t code) override { Command = code; }
    bool DialogCommandPending() const override { return Pending; }
    void SetDialogCommandPending(bool pending) override { Pending = pending; }
    bool Closing() const override { return false; }
    // Also the LinkSwitches a test hands the link (TheLink.SetSwitches(&host)).
    bool DecimalPointIsDot() const override { return Dot; }
    bool HCDivisor100() const override { return Divisor100; }
    IMessageSink& Messages() override { return Sink; }
};
