// The command dialog headless over in-memory ports: Send, the poll tick's
// hand-over, replies, NAKs, time-outs and the bench buttons.
#include "cmds_fake_host.h"
#include "support/memory_port.h"
#include "link/ticks.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "bench_buttons_fit.h"
#include "ui/common/bench_buttons.h"
#include "ui/commands/panel_radio_group_widget.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    std::array<MemoryPort, 4> ports;
    int64_t nowMs = 5'000'000;
    CmdsFakeHost host;
    std::unique_ptr<CommandDialog> dlg;

    void SetUp() override
    {
        Ticks::SetClock([this] { return nowMs; });
        for (int k = 0; k < 4; ++k)
            host.TheLink.Benches[size_t(k)].Setup(&ports[size_t(k)]);
        host.SwitchedOn = {true, false, false, false};
        dlg = std::make_unique<CommandDialog>(host);
        host.Dialog = dlg.get();
    }
    void TearDown() override
    {
        host.Dialog = nullptr;
        dlg.reset();
        Ticks::SetClock({});
    }

    QLineEdit* E(int n) { return dlg->Edit[size_t(n - 1)]; }
    QString AckNak() { return dlg->AckNakEdit->text(); }
    bool AckNakRed() { return dlg->AckNakEdit->palette().color(QPalette::Text) == QColor(255, 0, 0); }

    // Clicks Send and runs one poll tick; returns the request payload (code and data) sent to bench k.
    std::vector<uint8_t> SendAndTick(int k = 0)
    {
        dlg->SendBtn->click();
        host.Tick();
        const std::vector<uint8_t> out = ports[size_t(k)].TakeSent();
        if (out.size() < 3)
            return {};
        return {out.begin() + 2, out.begin() + 2 + out[1]};
    }
    void Reply(int k, uint8_t start, uint8_t code, std::vector<uint8_t> data)
    {
        std::vector<uint8_t> f{start, code, uint8_t(data.size())};
        unsigned sum = start + code + unsigned(data.size());
        for (uint8_t b : data) {
            f.push_back(b);
            sum += b;
        }
        f.push_back(uint8_t(-sum));
        ports[size_t(k)].Receive(f);
        host.TheLink.PortDataAvailable(k);
    }
};

TEST_F(DialogTest, OpensWithTheCommandsCaptionAndPanel)
{
    host.Choose(0x14);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Read User Memory $14"));
    EXPECT_TRUE(E(1)->isVisible());
    EXPECT_TRUE(E(21)->isVisible());
    EXPECT_EQ(E(21)->geometry().x(), 210);
    EXPECT_FALSE(dlg->NoSensorWarning->isVisible());

    host.Choose(0x0A);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("New NO Sensor "));
    EXPECT_TRUE(dlg->NoSensorWarning->isVisible());
    EXPECT_FALSE(E(1)->isVisible());
    EXPECT_TRUE(E(1)->text().isEmpty());

    // A code without a panel keeps the caption and shows nothing.
    host.Choose(0x47);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("New NO Sensor "));
    EXPECT_FALSE(dlg->NoSensorWarning->isVisible());

    host.Choose(0xF1);
    EXPECT_TRUE(dlg->Label[11]->isVisible());
    EXPECT_EQ(dlg->Label[11]->text(), QStringLiteral("Reported Mode"));
    EXPECT_EQ(dlg->RadioGroup[1]->Items().size(), 8);
    EXPECT_TRUE(dlg->RadioGroup[1]->Button(0)->isChecked());
    EXPECT_EQ(dlg->findChild<QLineEdit*>(QStringLiteral("Edit12")), E(12));
    EXPECT_NE(dlg->findChild<QRadioButton*>(QStringLiteral("BB4")), nullptr);
    ExpectBenchButtonsFit(*dlg->GrpBench);
}

TEST_F(DialogTest, SendWithoutABenchOnlyTellsTheUser)
{
    host.SwitchedOn = {false, false, false, false};
    dlg->UpdateBenchSelection();
    host.Choose(0x04);
    dlg->SendBtn->click();
    EXPECT_EQ(host.Sink.Texts(), QStringList{"Please select Com port for Kestrel"});
    EXPECT_EQ(host.Sink.Shown[0].Caption, QStringLiteral("Information"));
    EXPECT_FALSE(host.Pending);
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
    EXPECT_FALSE(dlg->WaitingForReply());
}

TEST_F(DialogTest, EntryFaultSendsNothingAndKeepsSendEnabled)
{
    host.Choose(0x02);
    E(1)->setText(QStringLiteral("256"));
    EXPECT_TRUE(SendAndTick().empty());
    EXPECT_EQ(host.Sink.Texts(), QStringList{"Illegal Purge Time"});
    EXPECT_EQ(host.Sink.Shown[0].IconShown, IMessageSink::Icon::Error);
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
    EXPECT_EQ(dlg->Remembered.LastPurgeTime, 0);

    E(1)->setText(QStringLiteral("0x10"));
    EXPECT_EQ(SendAndTick(), (std::vector<uint8_t>{0x02, 0x10}));
    EXPECT_FALSE(dlg->SendBtn->isEnabled());
    EXPECT_EQ(host.TheLink.Benches[0].CommandArgs.PurgeTime, 16);
}

TEST_F(DialogTest, SystemIdReplyIsShownAndTheAckEndsTheWait)
{
    host.Choose(0x04);
    EXPECT_EQ(SendAndTick(), (std::vector<uint8_t>{0x04}));
    EXPECT_TRUE(dlg->WaitingForReply());
    EXPECT_FALSE(host.Pending);

    const std::vector<uint8_t> data{'A', 'B', 'C', 0, 0, 0, '2', '1', '0', '0', 'H', 'W', '-', '1', 0, 0, 0, 0, 0, 0,
            'C', 0, 'S', 'W', '-', '7', '7', '2', '0', '-', '0', '5', '1', '2'};
    Reply(0, 0x06, 0x04, data);
    EXPECT_EQ(E(1)->text(), QStringLiteral("ABC"));
    EXPECT_EQ(E(2)->text(), QStringLiteral("2100"));
    EXPECT_EQ(E(3)->text(), QStringLiteral("HW-1"));
    EXPECT_EQ(E(4)->text(), QStringLiteral("C"));
    EXPECT_EQ(E(5)->text(), QStringLiteral("SW-7720-05"));
    EXPECT_EQ(E(6)->text(), QStringLiteral("12"));
    EXPECT_EQ(AckNak(), QStringLiteral("System ID  ACK")); // the command's name keeps its trailing blank
    EXPECT_FALSE(AckNakRed());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
    EXPECT_FALSE(dlg->WaitingForReply());
    EXPECT_FALSE(dlg->WaitTimer->isActive());
    EXPECT_FALSE(host.TheLink.Benches[0].Commands[0x04].ReplyReady);

    // Send again: the old values go before the new request.
    dlg->SendBtn->click();
    EXPECT_TRUE(E(1)->text().isEmpty());
}

TEST_F(DialogTest, NakIsShownInRedAndLeavesTheFieldsEmpty)
{
    host.Choose(0x05);
    SendAndTick();
    Reply(0, 0x15, 0x05, {0x02});
    EXPECT_TRUE(AckNak().endsWith(QStringLiteral(" : Not Allowed at this time")));
    EXPECT_TRUE(AckNak().contains(QStringLiteral("NAK")));
    EXPECT_TRUE(AckNakRed());
    // Wider than the edit: it shows from its start, not scrolled to its end.
    EXPECT_GT(dlg->AckNakEdit->fontMetrics().horizontalAdvance(AckNak()), dlg->AckNakEdit->width());
    EXPECT_EQ(dlg->AckNakEdit->cursorPosition(), 0);
    EXPECT_TRUE(E(1)->text().isEmpty());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(DialogTest, ShortValueReplyShowsNoValuesButEndsTheWait)
{
    host.Choose(0x05);
    SendAndTick();
    Reply(0, 0x06, 0x05, {0xFF, 0x9C}); // two bytes of ten
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(E(n)->text().isEmpty()) << n;
    EXPECT_FALSE(dlg->WaitingForReply());
}

TEST_F(DialogTest, SilentBenchTimesOutInRed)
{
    host.Choose(0x12);
    SendAndTick();
    host.Tick();
    EXPECT_TRUE(dlg->WaitingForReply());
    nowMs += 36 * 55 + 100;
    host.Tick();
    EXPECT_TRUE(AckNak().endsWith(QStringLiteral(" Timeout")));
    EXPECT_TRUE(AckNakRed());
    EXPECT_FALSE(dlg->WaitingForReply());
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(DialogTest, FallbackTimerEndsAWaitNothingCompletes)
{
    host.Choose(0x47); // no request exists for it
    dlg->SendBtn->click();
    EXPECT_TRUE(dlg->WaitTimer->isActive());
    EXPECT_EQ(dlg->WaitTimer->interval(), 10000);
    host.Tick();
    EXPECT_TRUE(ports[0].TakeSent().empty());
    EXPECT_FALSE(dlg->SendBtn->isEnabled());
    dlg->WaitTimerTick();
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
    EXPECT_FALSE(dlg->WaitingForReply());
    EXPECT_FALSE(dlg->WaitTimer->isActive());
    EXPECT_TRUE(AckNak().isEmpty());
}

TEST_F(DialogTest, ReopeningTheSameCommandWhileWaitingStillShowsTheReply)
{
    host.Choose(0x07);
    dlg->RadioGroup[0]->SetItemIndex(1);
    EXPECT_EQ(SendAndTick(), (std::vector<uint8_t>{0x07, 0x01}));
    host.Choose(0x07);
    EXPECT_TRUE(dlg->WaitingForReply());
    EXPECT_EQ(dlg->RadioGroup[0]->ItemIndex(), 1); // remembered "On"
    Reply(0, 0x06, 0x07, {0x01});
    EXPECT_EQ(E(1)->text(), QStringLiteral("Pump On"));
    EXPECT_FALSE(dlg->WaitingForReply());
}

TEST_F(DialogTest, LateReplyOfAnEarlierCommandIsNeitherShownNorCompletes)
{
    host.Choose(0x17);
    SendAndTick();
    host.Choose(0x46);
    Reply(0, 0x06, 0x17, {0x80});
    EXPECT_TRUE(E(1)->text().isEmpty());
    EXPECT_TRUE(dlg->WaitingForReply());
    EXPECT_FALSE(dlg->SendBtn->isEnabled());
    dlg->WaitTimerTick();
    EXPECT_TRUE(dlg->SendBtn->isEnabled());
}

TEST_F(DialogTest, LeftOverReplyFlagIsNotShownAsANewReply)
{
    // Bench 1 selected; its Misc Data answer comes after the dialog gave up.
    host.SwitchedOn = {true, true, false, false};
    dlg->UpdateBenchSelection();
    dlg->GrpBench->BB[0]->click();
    ASSERT_EQ(dlg->SelectedBench(), 0);
    host.Choose(0x05);
    SendAndTick(0);
    dlg->WaitTimerTick();
    Reply(0, 0x06, 0x05, {0x00, 0xFA, 0, 1, 0, 2, 0, 3, 0, 4});
    EXPECT_TRUE(E(1)->text().isEmpty());

    // A new Send, then a Misc Data reply of the other bench: bench 1's old
    // values must not appear as the answer.
    SendAndTick(0);
    host.TheLink.Benches[1].RequestMiscData();
    Reply(1, 0x06, 0x05, {0x00, 0x64, 0, 1, 0, 2, 0, 3, 0, 4});
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(E(n)->text().isEmpty()) << n;
}

TEST_F(DialogTest, InProgressFollowsTheStatusAlsoWhenNotWaiting)
{
    host.Choose(0x58);
    EXPECT_TRUE(dlg->InProgEdit->isVisible());
    host.TheLink.Benches[0].InProgress = true;
    dlg->ShowCommandReply(0);
    EXPECT_EQ(dlg->InProgEdit->text(), QStringLiteral("In Progress"));
    host.TheLink.Benches[0].InProgress = false;
    dlg->ShowCommandReply(0);
    EXPECT_TRUE(dlg->InProgEdit->text().isEmpty());
}

TEST_F(DialogTest, BenchButtonsFollowTheActiveBoxes)
{
    host.SetSwitchedOn(2, true);
    EXPECT_EQ(dlg->SelectedBench(), 0); // a selection still enabled is kept
    host.SetSwitchedOn(0, false);
    EXPECT_EQ(dlg->SelectedBench(), 2);
    EXPECT_TRUE(dlg->BenchButtonOn(2));
    EXPECT_FALSE(dlg->GrpBench->BB[0]->isEnabled());
    host.SetSwitchedOn(2, false);
    EXPECT_EQ(dlg->SelectedBench(), -1);

    // The command goes to the bench whose button is on.
    host.SetSwitchedOn(1, true);
    host.SetSwitchedOn(3, true);
    dlg->GrpBench->BB[1]->click();
    host.Choose(0x16);
    EXPECT_EQ(SendAndTick(1), (std::vector<uint8_t>{0x16}));
    EXPECT_TRUE(ports[3].TakeSent().empty());
}

TEST_F(DialogTest, BenchClickRebuildsThePanel)
{
    host.SwitchedOn = {true, true, false, false};
    dlg->UpdateBenchSelection();
    host.Choose(0x0B);
    E(2)->setText(QStringLiteral("99"));
    dlg->AckNakEdit->setText(QStringLiteral("old"));
    ASSERT_EQ(dlg->SelectedBench(), 0);
    dlg->GrpBench->BB[1]->click();
    EXPECT_EQ(dlg->SelectedBench(), 1);
    EXPECT_EQ(E(2)->text(), QStringLiteral("0"));
    EXPECT_TRUE(AckNak().isEmpty());

    // Clicking the bench already chosen keeps what the user typed.
    E(2)->setText(QStringLiteral("99"));
    dlg->GrpBench->BB[1]->click();
    EXPECT_EQ(E(2)->text(), QStringLiteral("99"));
}

TEST_F(DialogTest, SoftResetAckReachesTheDisconnectHook)
{
    host.Choose(0xF0);
    EXPECT_EQ(SendAndTick(), (std::vector<uint8_t>{0xF0}));
    EXPECT_EQ(host.TheLink.SoftResetGrace, 10);
    Reply(0, 0x06, 0xF0, {});
    EXPECT_EQ(host.SoftResetDisconnects, 1);
    EXPECT_TRUE(AckNak().endsWith(QStringLiteral(" ACK")));
    EXPECT_FALSE(dlg->WaitingForReply());
}

TEST_F(DialogTest, HelpAsksForTopic6001)
{
    int topic = 0;
    dlg->HelpBtn->click(); // no hook wired yet: nothing happens
    dlg->ShowHelp = [&](int t) { topic = t; };
    dlg->HelpBtn->click();
    EXPECT_EQ(topic, 6001);
}

TEST_F(DialogTest, CloseOnlyHidesAndTheWaitGoesOn)
{
    host.Choose(0x18);
    SendAndTick();
    dlg->CloseBtn->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(dlg->WaitingForReply());
    Reply(0, 0x06, 0x18, {0x3C, 0x5A, 0x12, 0x9E});
    EXPECT_EQ(E(2)->text(), QStringLiteral("0x3C"));
    EXPECT_EQ(E(5)->text(), QStringLiteral("0x9E"));
    EXPECT_FALSE(dlg->WaitingForReply());
    EXPECT_TRUE(AckNak().isEmpty()); // the status line is written only while shown
}

TEST_F(DialogTest, CommaLocaleReadsAndShowsCommas)
{
    host.Dot = false;
    host.Choose(0x11);
    EXPECT_EQ(E(1)->text(), QStringLiteral("0,0"));
    E(1)->setText(QStringLiteral("12,34"));
    dlg->RadioGroup[0]->SetItemIndex(1);
    EXPECT_EQ(SendAndTick(), (std::vector<uint8_t>{0x11, 0x01, 0x00, 0x7B}));
}

} // namespace
