#pragma once

// What the playback clock needs of the movie and of the window showing it.
// The player's main window implements it; tests use a fake. Every call comes
// on the GUI thread, from inside a tick.
class ClockView
{
public:
    virtual ~ClockView() = default;

    // The movie's current position, ms.
    virtual int moviePositionMs() const = 0;
    // The delayed start has come: the movie runs and the idle pattern goes.
    virtual void startMovie() = 0;
    virtual void seekMovie(int positionMs) = 0;
    // The play window is over at positionMs: the movie stops, code 4 is
    // reported and the program quits.
    virtual void finishExamination(int positionMs) = 0;
    // The overlay for the position, in FILE and DIRECTORY modes.
    virtual void drawOverlay(int positionMs) = 0;
    // Slider range 0 to 1000.
    virtual void setSliderPosition(int value) = 0;
    virtual void UpdateTitle(int positionMs, int shotNumber) = 0;
};
