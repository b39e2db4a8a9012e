// Boxes raised while the link handles replies wait until that handling has returned.
#include "link/message_sink.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

namespace {
// Records what is shown and how many boxes stood at once; WhileOpen runs while a box "stands".
struct Screen : IMessageSink {
    QStringList Shown;
    int Open = 0, MostOpen = 0;
    std::function<void(const QString&)> WhileOpen;
    void Show(const QString&, const QString& text, Icon) override
    {
        Shown << text;
        MostOpen = std::max(MostOpen, ++Open);
        if (WhileOpen)
            WhileOpen(text);
        --Open;
    }
};
} // namespace

TEST(QueuedMessages, ShownAtOnceOutsideReplyHandlingAndAfterItInside)
{
    Screen screen;
    QueuedMessageSink sink(screen);
    sink.Show(QStringLiteral("Information"), QStringLiteral("now"), IMessageSink::Icon::Information);
    EXPECT_EQ(screen.Shown, QStringList{QStringLiteral("now")});
    {
        const ReplyHandling::Scope handling;
        sink.Show(QStringLiteral("Information"), QStringLiteral("first"), IMessageSink::Icon::Information);
        sink.Show(QStringLiteral("Warning"), QStringLiteral("second"), IMessageSink::Icon::Warning);
        sink.Show(QStringLiteral("Information"), QStringLiteral("first"), IMessageSink::Icon::Information);
        EXPECT_EQ(screen.Shown.size(), 1) << "nothing opens inside reply handling";
    }
    EXPECT_EQ(sink.Pending(), 2) << "the repeated message waits only once";
    QCoreApplication::processEvents();
    EXPECT_EQ(screen.Shown, (QStringList{QStringLiteral("now"), QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(sink.Pending(), 0);
}

// While a queued box stands, replies go on being handled. A new message waits for the box to
// close instead of stacking on it; the one on screen is not raised a second time.
TEST(QueuedMessages, MessagesRaisedWhileAQueuedBoxStandsFollowIt)
{
    Screen screen;
    QueuedMessageSink sink(screen);
    screen.WhileOpen = [&](const QString& text) {
        if (text != QStringLiteral("full"))
            return;
        const ReplyHandling::Scope handling;
        sink.Show(QStringLiteral("Information"), QStringLiteral("full"), IMessageSink::Icon::Information);
        sink.Show(QStringLiteral("Information"), QStringLiteral("problem"), IMessageSink::Icon::Information);
    };
    {
        const ReplyHandling::Scope handling;
        sink.Show(QStringLiteral("Information"), QStringLiteral("full"), IMessageSink::Icon::Information);
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(screen.Shown, (QStringList{QStringLiteral("full"), QStringLiteral("problem")}));
    EXPECT_EQ(screen.MostOpen, 1);
}

TEST(QueuedMessages, ASinkGoneBeforeItsTurnShowsNothing)
{
    Screen screen;
    {
        QueuedMessageSink sink(screen);
        const ReplyHandling::Scope handling;
        sink.Show(QStringLiteral("Information"), QStringLiteral("late"), IMessageSink::Icon::Information);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.Shown.isEmpty());
}

TEST(QueuedMessages, AButtonOtherThanOkReachesTheScreenAtOnceAndAfterTheQueue)
{
    struct ButtonScreen : Screen {
        std::vector<Button> Buttons;
        void ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button) override
        {
            Buttons.push_back(button);
            Show(caption, text, icon);
        }
    } screen;
    QueuedMessageSink sink(screen);
    sink.ShowWithButton(QStringLiteral("Warning"), QStringLiteral("now"), IMessageSink::Icon::Warning,
                        IMessageSink::Button::Yes);
    {
        const ReplyHandling::Scope handling;
        sink.ShowWithButton(QStringLiteral("Warning"), QStringLiteral("later"), IMessageSink::Icon::Warning,
                            IMessageSink::Button::Yes);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(screen.Shown, (QStringList{QStringLiteral("now"), QStringLiteral("later")}));
    EXPECT_EQ(screen.Buttons, (std::vector<IMessageSink::Button>{IMessageSink::Button::Yes, IMessageSink::Button::Yes}));
}
