#pragma once

#include "recorder/trackers/OperatorPrompt.h"

#include <QStringList>

// Puts the operator's prompts to another prompt, except the warnings given while
// the window starts up (a tracker program not installed, the player missing):
// those are gathered, each text once, so that the window can show them together
// when it is up instead of one modal box after another before it appears.
class StartUpPrompt : public OperatorPrompt
{
public:
    explicit StartUpPrompt(OperatorPrompt& afterStartUp) : afterStartUp_(afterStartUp) {}
    void warning(const QString& title, const QString& text) override;
    bool question(const QString& title, const QString& text) override;
    QString openFile(const QString& title, const QString& startFolder, const QString& filter) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;

    // Ends the start-up: later warnings go to the other prompt. Returns the
    // warnings gathered until now, one paragraph each; empty when there were none.
    QString finishStartUp();

private:
    OperatorPrompt& afterStartUp_;
    bool startingUp_ = true;
    QStringList gathered_;
};
