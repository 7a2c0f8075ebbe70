#pragma once

#include "recorder/trackers/OperatorPrompt.h"

class QWidget;

// Asks the operator with modal message boxes and file dialogs.
class MessageBoxPrompt : public OperatorPrompt
{
public:
    explicit MessageBoxPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void warning(const QString& title, const QString& text) override;
    // A warning in a box that blocks nothing: the window stays usable behind it
    // and a termination signal closes it with the window.
    void notice(const QString& title, const QString& text);
    bool question(const QString& title, const QString& text) override;
    QString openFile(const QString& title, const QString& startFolder, const QString& filter) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;

private:
    QWidget* parent_;
};
