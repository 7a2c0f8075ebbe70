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

    bool answer = true;
    QStringList warnings;
    QStringList questions;
};
