#include "ui/common/status_light.h"

#include <QPalette>

StatusLight::StatusLight(const QString& name, const QString& accessibleName, const QColor& litColour, QWidget* parent)
    : QFrame(parent)
    , lit_colour_(litColour)
{
    setObjectName(name);
    setAccessibleName(accessibleName);
    setFrameShape(QFrame::Box);
    setFixedSize(12, 12);
    setAutoFillBackground(true);
    SetLit(false);
}

void StatusLight::SetLit(bool lit)
{
    lit_ = lit;
    QPalette p = palette();
    p.setColor(QPalette::Window, lit ? lit_colour_ : QColor(40, 40, 40));
    setPalette(p);
    setAccessibleDescription(lit ? QStringLiteral("on") : QStringLiteral("off"));
}
