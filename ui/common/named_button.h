#pragma once
#include <QLatin1String>
#include <QPushButton>
#include <QString>

// A push button with the object name tests find it by and the name screen readers say.
inline QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}
