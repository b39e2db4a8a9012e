#include "ui/common/message_box_sink.h"

#include <QMessageBox>

void MessageBoxSink::Show(const QString& caption, const QString& text, Icon icon)
{
    ShowWithButton(caption, text, icon, Button::Ok);
}

void MessageBoxSink::ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: boxIcon = QMessageBox::NoIcon; break;
    case Icon::Information: boxIcon = QMessageBox::Information; break;
    case Icon::Warning: boxIcon = QMessageBox::Warning; break;
    case Icon::Error: boxIcon = QMessageBox::Critical; break;
    }
    QMessageBox box(boxIcon, caption, text, button == Button::Yes ? QMessageBox::Yes : QMessageBox::Ok, Parent);
    box.exec();
}
