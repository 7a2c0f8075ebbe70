#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The questions the player asks the user.
struct PlayerPrompts
{
    std::function<bool(const QString& question)> askYesNo;
    // Tells the user something that went wrong; the answer is only "OK".
    std::function<void(const QString& message)> tell;
    std::function<QString()> chooseMovie;
    std::function<QStringList()> chooseResults;
    std::function<QString()> chooseRecording;
    // A name for an area of interest just drawn (current empty) or renamed
    // (current its name now); empty when the user gives none. problem says why
    // the name given before was refused (empty the first time).
    std::function<QString(const QString& problem, const QString& current)> nameArea;
};

// Qt dialogs owned by owner. Where nobody sees a window (displayless()), questions
// take GAZEVIEW_UNATTENDED_ANSWER (yes/no, default no), messages go unseen and no
// file is chosen.
PlayerPrompts dialogPrompts(QWidget* owner);

// True on the offscreen and minimal platforms, where nobody sees a window.
bool displayless();
