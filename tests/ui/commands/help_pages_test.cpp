#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>

#include "ui/commands/help_window.h"

namespace {
// Reads a bundled page (the window's constructor registers the resources).
QString Page(const QString& url)
{
    QFile f(QUrl(url).path().prepend(':'));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}
} // namespace

TEST(HelpPages, EveryContextResolvesToABundledPage)
{
    HelpWindow window; // registers the resources
    struct Case {
        int context;
        const char* url;
    } cases[] = {
        {kHelpGeneral, "qrc:/help/index.html"},
        {kHelpCommandDialog, "qrc:/help/commands.html"},
        {0, "qrc:/help/index.html"}, // unknown contexts get the general page
        {4711, "qrc:/help/index.html"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HelpPageForContext(c.context), c.url) << c.context;
        EXPECT_FALSE(Page(HelpPageForContext(c.context)).isEmpty()) << c.context;
    }
}

TEST(HelpPages, PagesLoadAndTheirLinksLeadToBundledPages)
{
    HelpWindow window;
    const QStringList pages = HelpPages();
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)"));
    for (const QString& url : pages) {
        const QString html = Page(url);
        ASSERT_FALSE(html.isEmpty()) << url.toStdString();
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = QUrl(url).resolved(QUrl(it.next().captured(1))).toString();
            EXPECT_TRUE(pages.contains(target)) << url.toStdString() << " -> " << target.toStdString();
        }
    }
}

TEST(HelpPages, ConnectingPageExplainsThePortMapping)
{
    HelpWindow window;
    const QString html = Page(QStringLiteral("qrc:/help/connecting.html"));
    for (const char* must : {"HALYARD_DEVICES", "kestrel-sim", "/dev/ttyS", "COMn"})
        EXPECT_TRUE(html.contains(QLatin1String(must))) << must;
}

TEST(HelpPages, ShowHelpOpensTheWindowOnTheContextsPage)
{
    ShowHelp(kHelpCommandDialog);
    HelpWindow& w = SharedHelpWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.HelpBrowser->source().toString(), "qrc:/help/commands.html");
    EXPECT_FALSE(w.HelpBrowser->toPlainText().isEmpty());

    ShowHelp(kHelpGeneral);
    EXPECT_EQ(w.HelpBrowser->source().toString(), "qrc:/help/index.html");
    EXPECT_TRUE(w.HelpBrowser->toPlainText().contains("Contents"));
    w.hide();
}
