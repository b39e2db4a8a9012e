// The row feed beside the main window: its settings, its one status label and
// the hooks that hand it rows and link status lines.
#include "main_window.h"

#include "feed_dialog.h"
#include "feed_publisher.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

void TApp::StartFeed()
{
    QStringList problems;
    const FeedSettings s = LoadFeedSettings(FeedSettingsPath(), &problems);
    if (!problems.isEmpty())
        messages_->Show(QStringLiteral("Information"), problems.join(QLatin1Char('\n')), IMessageSink::Icon::Information);
    // Every status line the link shows goes to the feed too, when there is one.
    LinkHooks& h = link_.Hooks;
    h.ShowStatusEdit = [this, shown = h.ShowStatusEdit](int k, const std::string& text, bool error) {
        CallHook(shown, k, text, error);
        if (feed_)
            feed_->LinkStatus(k + 1, text, error);
    };
    if (problems.isEmpty())
        ApplyFeedSettings(s, false);
}

bool TApp::ApplyFeedSettings(const FeedSettings& s, bool save)
{
    const QStringList problems = s.Problems();
    if (!problems.isEmpty()) {
        messages_->Show(QStringLiteral("Information"), problems.join(QLatin1Char('\n')), IMessageSink::Icon::Information);
        return false;
    }
    if (save) {
        QString error;
        if (!SaveFeedSettings(s, FeedSettingsPath(), &error))
            messages_->Show(QStringLiteral("Information"), error, IMessageSink::Icon::Information);
    }
    rows_.Feed = nullptr;
    delete feed_;
    feed_ = nullptr;
    if (!s.Enabled) {
        if (FeedLabel)
            FeedLabel->setText(QStringLiteral("Feed: off"));
        return true;
    }
    feed_ = new FeedPublisher(s, this);
    feed_->NowSeconds = clock_.NowSeconds;
    connect(feed_, &FeedPublisher::Refused, this, [this](const QString& text) {
        messages_->Show(QStringLiteral("Warning"), text, IMessageSink::Icon::Warning);
    });
    rows_.Feed = feed_;
    if (!FeedLabel) {
        // Made with the first feed, so a program without one keeps its window as it was.
        FeedLabel = new QLabel(this);
        FeedLabel->setObjectName(QStringLiteral("FeedLabel"));
        statusBar()->addWidget(FeedLabel);
        feedTimer_ = new QTimer(this);
        feedTimer_->setInterval(500);
        connect(feedTimer_, &QTimer::timeout, this, &TApp::ShowFeedState);
        feedTimer_->start();
    }
    ShowFeedState();
    return true;
}

void TApp::ShowFeedState()
{
    if (FeedLabel)
        FeedLabel->setText(feed_ ? feed_->StateText() : QStringLiteral("Feed: off"));
}

void TApp::FeedSettings1Click()
{
    TFeedDialog dialog(this);
    QStringList problems;
    dialog.SetValues(LoadFeedSettings(FeedSettingsPath(), &problems));
    while (dialog.exec() == QDialog::Accepted) {
        if (ApplyFeedSettings(dialog.Values(), true))
            return;
    }
}
