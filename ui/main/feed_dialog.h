#pragma once
#include <QDialog>

#include "feed/feed_settings.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

// "Feed Settings": where the row feed publishes. Holds the controls only; the
// main window checks, saves and applies what it returns.
class FeedDialog : public QDialog {
    Q_OBJECT
public:
    explicit FeedDialog(QWidget* parent = nullptr);

    void SetValues(const FeedSettings& s);
    FeedSettings Values() const;

    QCheckBox* EnabledChk;
    QLineEdit* HostEdit;
    QSpinBox* PortSpin;
    QLineEdit* PrefixEdit;
    QLineEdit* StationEdit;
    QLineEdit* UserEdit;
    QLineEdit* PasswordEdit;
    QLineEdit* CaEdit;
    QLineEdit* CertEdit;
    QLineEdit* KeyEdit;
    QSpinBox* QueueSpin;
};
