#include "message_box_sink.h"

#include <QMessageBox>

void MessageBoxSink::Show(const QString& caption, const QString& text, Icon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: boxIcon = QMessageBox::NoIcon; break;
    case Icon::Information: boxIcon = QMessageBox::Information; break;
    case Icon::Warning: boxIcon = QMessageBox::Warning; break;
    case Icon::Error: boxIcon = QMessageBox::Critical; break;
    }
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, Parent);
    box.exec();
}
