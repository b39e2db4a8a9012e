#pragma once
#include <QString>
#include <QStringList>
#include <deque>

#include "ui/service/service_dialogs.h"

// Answers the service windows' file dialogs and questions from queues and records the questions;
// an empty queue answers with no file and No.
struct ScriptedServiceDialogs : IServiceDialogs {
    std::deque<QString> Paths;
    std::deque<bool> Answers;
    QStringList Questions;

    QString OpenFileName(const QString&, const QString&, const QString&) override
    {
        if (Paths.empty())
            return {};
        const QString p = Paths.front();
        Paths.pop_front();
        return p;
    }
    bool AskYesNo(const QString&, const QString& text) override
    {
        Questions << text;
        if (Answers.empty())
            return false;
        const bool a = Answers.front();
        Answers.pop_front();
        return a;
    }
};
