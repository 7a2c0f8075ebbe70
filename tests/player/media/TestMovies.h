#pragma once

#include <QString>
#include <functional>
#include <string>

// Movies generated once per test run: 3 s, 160 x 120, 25 frames per second.
struct TestMovies
{
    QString withSound;   // motion JPEG and PCM sound in AVI
    QString videoOnly;   // motion JPEG in AVI
    QString soundOnly;   // PCM in WAV
    QString noFrameRate; // Matroska whose video declares no frame rate
    // Plain black, 2 s, so that an overlay is the only colour in the picture.
    QString blackLandscape; // 640 x 360
    QString blackPortrait;  // 480 x 800
    QString folder;
};

const TestMovies& testMovies();

// Runs a gst-launch style description until its end; false when it fails.
bool runPipeline(const std::string& description);

// Processes Qt events until done() or the timeout; the test support's wait, in milliseconds.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// The log lines written since construction (the log is opened once per run).
class LogCapture
{
public:
    LogCapture();
    std::string text() const;

private:
    std::size_t start_ = 0;
};
