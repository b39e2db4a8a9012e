#include "link/message_sink.h"

#include <algorithm>

void QueuedMessageSink::Show(const QString& caption, const QString& text, Icon icon)
{
    ShowWithButton(caption, text, icon, Button::Ok);
}

void QueuedMessageSink::ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button)
{
    if (!ReplyHandling::Active()) {
        Deliver({caption, text, icon, button});
        return;
    }
    const Message m{caption, text, icon, button};
    if (std::find(queue_.begin(), queue_.end(), m) != queue_.end()
        || std::find(onScreen_.begin(), onScreen_.end(), m) != onScreen_.end())
        return;
    queue_.push_back(m);
    // While a queued box is open the loop below shows this one after it closes.
    if (posted_ || !onScreen_.empty())
        return;
    posted_ = true;
    QMetaObject::invokeMethod(&context_, [this] { ShowQueued(); }, Qt::QueuedConnection);
}

void QueuedMessageSink::ShowQueued()
{
    posted_ = false;
    // One after the other, oldest first. Each box runs its own event loop, in which
    // more messages may be queued; they follow once the box is closed.
    while (!queue_.empty()) {
        const Message m = queue_.front();
        queue_.erase(queue_.begin());
        onScreen_.push_back(m);
        Deliver(m);
        onScreen_.erase(std::find(onScreen_.begin(), onScreen_.end(), m));
    }
}

void QueuedMessageSink::Deliver(const Message& m)
{
    if (m.ButtonKind == Button::Ok)
        Shown.Show(m.Caption, m.Text, m.IconKind);
    else
        Shown.ShowWithButton(m.Caption, m.Text, m.IconKind, m.ButtonKind);
}
