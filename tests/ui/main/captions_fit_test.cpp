// Every caption the user can see, in every window of the program at the size it opens with, fits
// its control: labels, buttons, check boxes, radio items and group box titles. Text is measured
// with the fonts the program runs with (the project installs one for the headless platform).
#include "support/window_fixture.h"

#include "ui/common/bench_window.h"
#include "ui/commands/command_dialog.h"
#include "ui/main/main_window.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString Name(const QWidget* w)
{
    QString name = w->objectName();
    for (const QWidget* p = w->parentWidget(); p && !w->isWindow(); p = p->parentWidget()) {
        if (!p->objectName().isEmpty() && (p->isWindow() || qobject_cast<const QGroupBox*>(p)))
            name = p->objectName() + QLatin1Char('/') + name;
        if (p->isWindow())
            break;
    }
    return name;
}

// Width of the widget that its ancestors leave on screen, up to its window.
int VisibleWidth(const QWidget* w)
{
    QRect r = w->rect();
    QPoint offset(0, 0);
    for (const QWidget* c = w; c && !c->isWindow(); c = c->parentWidget()) {
        offset += c->pos();
        const QWidget* p = c->parentWidget();
        if (!p)
            break;
        r = r.intersected(p->rect().translated(-offset));
    }
    return r.isValid() ? r.width() : 0;
}

bool InsideScrollArea(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

// Text width and room for it, or Room < 0 when the widget shows no caption of its own.
struct Caption {
    QString Text;
    int Needed = 0;
    int Room = -1;
};

Caption LabelCaption(const QLabel* label)
{
    Caption c;
    const QString text = label->text();
    if (text.isEmpty() || label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        return c;
    c.Text = text;
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    if (label->wordWrap()) {
        // A wrapped label runs out of height instead.
        c.Needed = label->heightForWidth(label->width());
        c.Room = label->height();
        return c;
    }
    const int flags = label->buddy() ? int(Qt::TextShowMnemonic) : 0;
    c.Needed = label->fontMetrics().size(flags, text).width() + std::max(0, label->indent());
    c.Room = room.width();
    return c;
}

Caption ButtonCaption(const QAbstractButton* b)
{
    Caption c;
    if (b->text().isEmpty())
        return c;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(b))
        contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton*>(b))
        contents = QStyle::SE_RadioButtonContents;
    c.Text = b->text();
    c.Needed = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width();
    if (!b->icon().isNull())
        c.Needed += b->iconSize().width() + 4;
    c.Room = b->style()->subElementRect(contents, &opt, b).width();
    return c;
}

Caption GroupTitle(const QGroupBox* g)
{
    Caption c;
    if (g->title().isEmpty())
        return c;
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.textAlignment = g->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isCheckable())
        opt.subControls |= QStyle::SC_GroupBoxCheckBox;
    if (g->isFlat())
        opt.features |= QStyleOptionFrame::Flat;
    const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    c.Text = g->title();
    // The style places the title at its full text width: it is cut where it leaves the box.
    c.Needed = label.x() + label.width();
    c.Room = g->width();
    return c;
}

// Every caption of the window that is cut, as "window/.../control 'text' needs N px, has M".
QStringList CutCaptions(QWidget* window, const QString& where)
{
    QStringList cuts;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (w->window() != window || !w->isVisibleTo(window) || InsideScrollArea(w))
            continue;
        Caption c;
        if (auto* label = qobject_cast<QLabel*>(w))
            c = LabelCaption(label);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            c = ButtonCaption(button);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            c = GroupTitle(group);
        if (c.Room < 0)
            continue;
        // A control its parent cuts off loses the same part of its caption.
        const int clipped = w->width() - VisibleWidth(w);
        if (c.Needed > c.Room || clipped > 0)
            cuts << QStringLiteral("%1 %2 '%3' needs %4 px, has %5%6")
                        .arg(where, Name(w), c.Text)
                        .arg(c.Needed)
                        .arg(c.Room)
                        .arg(clipped > 0 ? QStringLiteral(" (%1 px hidden by its parent)").arg(clipped) : QString());
    }
    return cuts;
}

struct CaptionsFit : ScriptedWindowTest {
    QStringList CheckShownWindows(const QString& where)
    {
        QApplication::processEvents();
        QStringList cuts;
        for (QWidget* w : App->Windows().All())
            if (w->isVisible())
                cuts << CutCaptions(w, where.isEmpty() ? w->objectName() : where);
        return cuts;
    }
    void HideAll()
    {
        for (QWidget* w : App->Windows().All())
            w->hide();
    }
};

} // namespace

TEST_F(CaptionsFit, InEveryWindowAndEveryCommandPanel)
{
    ASSERT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("DejaVu Sans")) << "fonts-dejavu-core is missing";
    App->show();
    QApplication::processEvents();
    QStringList cuts = CutCaptions(App.get(), QStringLiteral("TApp"));
    for (QWidget* w : App->Windows().All()) {
        if (w == App->Windows().Commands)
            continue; // its panels come one by one below
        w->show();
        cuts << CheckShownWindows(QString());
        HideAll();
    }

    // Every item of both command menus, hidden ones too: most open the dialog on their panel.
    int panels = 0;
    for (const char* menuName : {"CustomerCommands", "CustomerServiceCommands"}) {
        auto* menu = App->findChild<QMenu*>(QString::fromLatin1(menuName));
        ASSERT_NE(menu, nullptr) << menuName;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator())
                continue;
            item->trigger();
            panels += App->Windows().Commands->isVisible() ? 1 : 0;
            cuts << CheckShownWindows(item->objectName());
            HideAll();
        }
    }
    EXPECT_GE(panels, 20);
    EXPECT_TRUE(cuts.isEmpty()) << cuts.join(QLatin1Char('\n')).toStdString();
}
