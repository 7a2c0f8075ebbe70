#pragma once

#include <QString>

// The texts that show where the movie stands: in the window title and in the
// big counter under the video.
namespace TitleText {

// The main window's caption while no movie is open, and the caption of its dialogs.
QString caption();

// "hh:mm:ss:ff", ff being the frame within the second for the given time per
// frame (100-ns units); a time per frame below 1 shows frame 0.
QString movieTime(int positionMs, int timePerFrame);
// "# n / N"
QString shot(int shotNumber, int shotCount);
// "<movie> -- time <time> -- shot <shot> -- Orvalis Reelscan Gazeview", from the
// translated window-title format.
QString windowTitle(const QString& movieFileName, const QString& time, const QString& shot);
// The big counter: the time above the shot.
QString counter(const QString& time, const QString& shot);

} // namespace TitleText
