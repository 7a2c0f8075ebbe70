#pragma once

#include "recorder/trackers/OperatorPrompt.h"

#include <QStringList>

// Answers every question with a preset answer and remembers what was asked.
class FakePrompt : public OperatorPrompt
{
public:
    void warning(const QString& title, const QString& text) override { warnings << title + "|" + text; }
    bool question(const QString& title, const QString& text) override
    {
        questions << title + "|" + text;
        return answer;
    }

    QString openFile(const QString& title, const QString&, const QString& filter) override
    {
        questions << title + "|" + filter;
        return fileAnswer;
    }
    QString chooseFolder(const QString& title, const QString&) override
    {
        questions << title;
        return fileAnswer;
    }

    bool answer = true;
    QString fileAnswer;
    QStringList warnings;
    QStringList questions;
};
