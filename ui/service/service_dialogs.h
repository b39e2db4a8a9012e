#pragma once
#include <QString>

class QWidget;

// The file dialogs and questions of the service windows, behind one seam so
// tests can answer them.
class IServiceDialogs {
public:
    virtual ~IServiceDialogs() = default;
    // Open dialog for an existing file; empty when cancelled.
    virtual QString OpenFileName(const QString& title, const QString& filter, const QString& initialDir) = 0;
    // Confirmation with Yes and No; true for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text) = 0;
};

// The real dialogs, parented to a window.
class QtServiceDialogs : public IServiceDialogs {
public:
    explicit QtServiceDialogs(QWidget* parent) : parent_(parent) {}
    QString OpenFileName(const QString& title, const QString& filter, const QString& initialDir) override;
    bool AskYesNo(const QString& caption, const QString& text) override;

private:
    QWidget* parent_;
};
