// The row feed beside the main window: its settings, its one status label and
// the hooks that hand it rows and link status lines.
#include "ui/main/main_window.h"

#include "ui/main/feed_dialog.h"
#include "feed/feed_publisher.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

void MainWindow::StartFeed()
{
    QStringList problems;
    const FeedSettings s = LoadFeedSettings(FeedSettingsPath(), &problems);
    if (!problems.isEmpty())
        messages_->Show(QStringLiteral("Information"), problems.join(QLatin1Char('\n')), IMessageSink::Icon::Information);
    if (problems.isEmpty())
        ApplyFeedSettings(s, false);
}

bool MainWindow::ApplyFeedSettings(const FeedSettings& s, bool save)
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
    station_.SetFeed(nullptr);
    if (!s.Enabled) {
        if (FeedLabel)
            FeedLabel->setText(QStringLiteral("Feed: off"));
        return true;
    }
    auto feed = std::make_unique<FeedPublisher>(s);
    feed->NowSeconds = station_.Clock().NowSeconds;
    connect(feed.get(), &FeedPublisher::Refused, this, [this](const QString& text) {
        messages_->Show(QStringLiteral("Warning"), text, IMessageSink::Icon::Warning);
    });
    station_.SetFeed(std::move(feed));
    if (!FeedLabel) {
        // Made with the first feed, so a program without one keeps its window as it was.
        FeedLabel = new QLabel(this);
        FeedLabel->setObjectName(QStringLiteral("FeedLabel"));
        statusBar()->addWidget(FeedLabel);
        feedTimer_ = new QTimer(this);
        feedTimer_->setInterval(500);
        connect(feedTimer_, &QTimer::timeout, this, &MainWindow::ShowFeedState);
        feedTimer_->start();
    }
    ShowFeedState();
    return true;
}

void MainWindow::ShowFeedState()
{
    if (FeedLabel)
        FeedLabel->setText(Feed() ? Feed()->StateText() : QStringLiteral("Feed: off"));
}

void MainWindow::FeedSettingsClick()
{
    FeedDialog dialog(this);
    QStringList problems;
    dialog.SetValues(LoadFeedSettings(FeedSettingsPath(), &problems));
    while (dialog.exec() == QDialog::Accepted) {
        if (ApplyFeedSettings(dialog.Values(), true))
            return;
    }
}
