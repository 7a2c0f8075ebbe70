#include "recorder/StartUpPrompt.h"

void StartUpPrompt::warning(const QString& title, const QString& text)
{
    if (!startingUp_) {
        afterStartUp_.warning(title, text);
        return;
    }
    // Each tracker the window looks at may find the same program missing.
    if (!gathered_.contains(text))
        gathered_.append(text);
}

bool StartUpPrompt::question(const QString& title, const QString& text)
{
    return afterStartUp_.question(title, text);
}

QString StartUpPrompt::openFile(const QString& title, const QString& startFolder, const QString& filter)
{
    return afterStartUp_.openFile(title, startFolder, filter);
}

QString StartUpPrompt::chooseFolder(const QString& title, const QString& startFolder)
{
    return afterStartUp_.chooseFolder(title, startFolder);
}

QString StartUpPrompt::finishStartUp()
{
    startingUp_ = false;
    const QString text = gathered_.join(QStringLiteral("\n\n"));
    gathered_.clear();
    return text;
}
