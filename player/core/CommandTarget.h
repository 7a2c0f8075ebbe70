#pragma once

#include <QString>
#include <QStringList>

// What the command runner needs of the main window: the movie's opening and
// closing, the window's own look, and the questions to the user. The player's
// main window implements it; every call comes on the GUI thread.
class CommandTarget
{
public:
    virtual ~CommandTarget() = default;

    // Opens the movie named in AppCtrl, or asks for one when none is named.
    virtual void OpenClip() = 0;
    virtual void CloseClip() = 0;
    // Closes the movie and the extension and ends the program with code 0.
    virtual void exitProgram() = 0;
    virtual void setFullScreen(bool on) = 0;
    virtual bool isFullScreenMode() const = 0;
    virtual void showCounter(bool shown) = 0;
    // The view scale changed: the window fits the video anew.
    virtual void viewScaleChanged() = 0;
    // The presentation quality changed: the overlay is made anew.
    virtual void presentationChanged() = 0;
    virtual void showAbout() = 0;
    virtual void UpdateTitle(int positionMs, int shotNumber) = 0;
    // After every command: check marks follow the settings, and a standing
    // movie shows changed options at once.
    virtual void commandDone() = 0;

    virtual bool askYesNo(const QString& question) = 0;
    virtual QStringList chooseResults() = 0;
    virtual QString chooseRecording() = 0;
};
