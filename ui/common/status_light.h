#pragma once
#include <QColor>
#include <QFrame>
#include <QString>

// One traffic light of a bench row: dark, or lit in its colour.
class StatusLight : public QFrame {
    Q_OBJECT
public:
    StatusLight(const QString& name, const QString& accessibleName, const QColor& litColour, QWidget* parent = nullptr);
    void SetLit(bool lit);
    bool Lit() const { return lit_; }

private:
    QColor lit_colour_;
    bool lit_ = false;
};
