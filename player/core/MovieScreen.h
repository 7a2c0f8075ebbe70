#pragma once

#include <QString>

// What the movie session needs of the window that shows the movie: the
// questions to the user and the window's look as a movie comes and goes. The
// player's main window implements it; tests use a fake. Every call comes on
// the GUI thread.
class MovieScreen
{
public:
    virtual ~MovieScreen() = default;

    // A movie to open when none is named; empty to give up.
    virtual QString chooseMovie() = 0;
    virtual bool askYesNo(const QString& question) = 0;
    virtual void tell(const QString& message) = 0;
    virtual void setFullScreen(bool on) = 0;
    // The movie's pipeline is up: the overlay is made for its picture, showing
    // the idle pattern until a delayed start when `idle`.
    virtual void overlayOpened(bool idle) = 0;
    // The movie is open and its shots are read.
    virtual void movieOpened() = 0;
    // The movie is closed: the window looks as it does without one.
    virtual void movieClosed() = 0;
};
