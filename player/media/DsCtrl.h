#pragma once

#include "player/media/MediaResult.h"
#include "player/media/VideoWindow.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

class MixerBitmap;
class QPainter;

// The movie: one process-wide pipeline that plays one file at a time, its video
// painted by the main window from the newest decoded frame, its sound on the
// default audio output (or the element named by GAZEVIEW_AUDIO_SINK).
// Everything runs on the GUI thread. Positions are in milliseconds; the time per
// frame is in 100-ns units (10000 per millisecond). Failures are logged with the
// failing step and returned as result codes. Operations on positions and rate
// do nothing while no movie is open.
namespace DsCtrl {

enum class GraphState
{
    Stopped,
    Paused,
    Running
};

// Builds the pipeline for the file, places the video in the window and starts
// playing. The window must stay alive until CloseInterfaces(). On failure the
// caller closes what was built (CloseInterfaces()).
MediaResult PlayMovieInWindow(const QString& fileName, VideoWindow& window, ViewScale scale);
// Creates the video sink, the frame delivery to the window and the mixer.
MediaResult InitWindowlessVMR(VideoWindow& window);
// In a window with its normal frame, sizes the window to the video at the view
// scale; then places the video in the client area less the slider strip.
MediaResult InitVideoWindow(VideoWindow& window, ViewScale scale);
// Places the video in rect (client coordinates), showing the view scale's part
// in its own shape: the picture is centred with black bars where rect is wider
// or taller than the picture.
MediaResult MoveVideoWindow(const QRect& rect, ViewScale scale);

std::int64_t GetCurrentPositionMilis();
void SetCurrentPositionMilis(std::int64_t positionMs);
// Seeks by deltaMs from the current position, never before 0; returns the new position.
std::int64_t ChangeCurrentPositionMilis(std::int64_t deltaMs);
// The duration, or -1 when the movie cannot be sought or reports none.
std::int64_t GetTotalTimeMilis();
// The number of video frames, or -1 when the video stream cannot tell.
std::int64_t GetTotalTimeFrames();
// The video frame duration a separate probe of the file reports, or -1.
std::int32_t GrabTimePerFrame(const QString& fileName);
// Picks the time per frame: from the frame count when there is one, else from
// the probe, else 10 ms; logs each fallback and the result.
std::int32_t ChooseTimePerFrame(std::int64_t totalTimeMs, std::int64_t frames,
                                const std::function<std::int32_t()>& grabTimePerFrame);
// The time per frame of the open movie (0 when none is open).
std::int32_t TimePerFrame();

void SetNormalSpeed();
void MultiplySpeed(double factor);
// The playback rate last applied (1.0 when no movie is open).
double GetRate();

// Paused -> running (true); running -> paused (false); stopped -> nothing (false).
bool PauseResume();
MediaResult RunGraph();
MediaResult PauseGraph();
MediaResult StopGraph();
GraphState GetGraphState();

bool IsMovieOpen();
bool HasVideo();
// The size of the decoded frames; 0 x 0 while unknown or without video.
QSize NativeVideoSize();
// Where the picture is painted (client coordinates): the largest rectangle of
// the shown part's shape inside the area the video was placed in. Everything
// drawn over the picture and every mouse position on it goes through this and
// SourceRect().
QRect VideoRect();
// The part of the frame shown, in frame pixels.
QRect SourceRect();
// The largest rectangle of shape's proportions centred in area.
QRect Letterboxed(const QRect& area, QSize shape);
// The overlay mixer of the open movie; null when none is open.
MixerBitmap* GetMixerBitmap();
QImage NewestFrame();
// Paints the video rectangle: the newest frame, then the overlay.
void PaintVideo(QPainter& painter);

// Drains the pipeline's messages: the end of the stream sets the completed flag,
// errors and warnings are logged.
MediaResult HandleGraphEvent();
bool MovieCompleted();

// Stops the pipeline and releases everything; afterwards no movie is open.
void CloseInterfaces();

// How often the pipeline is checked for messages while a movie is open.
inline constexpr int kGraphPollIntervalMs = 20;

} // namespace DsCtrl
