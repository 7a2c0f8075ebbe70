#pragma once

#include <QString>

// The questions, warnings and file choices put to the operator. The window
// answers them with message boxes; tests answer them in code.
class OperatorPrompt
{
public:
    virtual ~OperatorPrompt() = default;
    // A warning with one OK button.
    virtual void warning(const QString& title, const QString& text) = 0;
    // A Yes/No question without a default button; true for Yes.
    virtual bool question(const QString& title, const QString& text) = 0;
    // A file to open; empty when cancelled.
    virtual QString openFile(const QString& title, const QString& startFolder, const QString& filter) = 0;
    // An existing folder; empty when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
};
