#pragma once

#include <QString>

// The questions and warnings the recording core puts to the operator. The window
// answers them with message boxes; tests answer them in code.
class OperatorPrompt
{
public:
    virtual ~OperatorPrompt() = default;
    // A warning with one OK button.
    virtual void warning(const QString& title, const QString& text) = 0;
    // A Yes/No question without a default button; true for Yes.
    virtual bool question(const QString& title, const QString& text) = 0;
};
