#pragma once

#include "recorder/pupil/PupilClient.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/PupilSettings.h"

#include <QSize>
#include <atomic>
#include <deque>
#include <memory>

// A Pupil Core headset, through the network interface of Pupil Capture, which
// the operator runs (this program never starts it). Gaze on the chosen surface
// becomes samples in pixels of the study's screen, stamped through Pupil time;
// the pupil diameter comes from the pupil datum nearest to each gaze datum. The
// client's thread delivers everything; the window hears the link's state and
// the calibration's outcome through the usual signals.
class PupilController : public EyeTrackerController
{
    Q_OBJECT

public:
    // Tracker states, in the range the window keeps for this tracker.
    enum TrackerState
    {
        stateConnected = 100,
        stateConnecting = 101,
        stateUnreachable = 102, // nothing answered at the address in time
        stateBadAddress = 103,  // the address cannot be used
        stateBadAnswer = 104,   // something answered, but not as Pupil Capture does
        stateLost = 105,        // Pupil Capture stopped answering
    };
    // Calibration marks: Pupil Capture tells success or failure, no grade.
    enum CalibrationMark
    {
        calibrationNotRun = 100, // Pupil Capture maps gaze with the calibration it holds
        calibrationRunning = 101,
        calibrationSucceeded = 102,
        calibrationFailed = 103,
    };
    // A pupil datum further than this from a gaze datum says nothing about its pupil.
    static constexpr double nearestPupilWindowS = 0.1;
    // Pupil time further than this from ours is not trusted; such samples are stamped on arrival.
    static constexpr qint64 trustedClockSpanMs = 2000;

    PupilController(OperatorPrompt& prompt, PupilSettings settings, QObject* parent = nullptr);
    ~PupilController() override;

    void emitInitialSignals() override;
    bool isReadyForExamination() override;
    bool isInstalled() override;
    bool isConnectedToServer() const override;
    void setScreen(int screenIndex) override;
    void setFps(int fps) override;
    void disconnectFromServer() override;
    QStringList serverArguments() override;
    void tryConnectToServer() override;

    // New settings; a new address or surface connects again.
    void applySettings(const PupilSettings& settings);
    const PupilSettings& settings() const { return settings_; }
    int trackerState() const { return trackerState_.load(); }
    int calibrationMark() const { return calibrationMark_.load(); }

    // Test seams: the screen the gaze is mapped onto, and the client's timings.
    void setScreenSize(QSize size);
    void setClientTimings(std::chrono::milliseconds requestDeadline, std::chrono::milliseconds checkInterval,
                          std::chrono::milliseconds reconnectInterval);

public Q_SLOTS:
    void runCalibration() override;
    void afterCalibration() override;

private:
    struct PupilSize
    {
        double timestamp = 0;
        double value = 0;
        bool millimetres = false;
    };

    void onLinkState(pupil::LinkState state, const std::string& detail);
    void onSurface(const pupil::SurfaceMessage& message, double clockOffsetMs);
    void onPupil(const pupil::PupilDatum& datum, bool threeD);
    void onNotification(const std::string& subject);
    void setTrackerState(int state);
    void setCalibrationMark(int mark);
    // The pupil size of one eye nearest to a gaze time; 0 when none is near.
    PupilSize pupilSizeAt(int eye, double timestamp) const;
    QStringList ownHeaderLines() const override;
    qint64 sampleTimeMs(double pupilSeconds, double clockOffsetMs);

    PupilSettings settings_;
    std::atomic<double> minConfidence_;
    std::unique_ptr<pupil::PupilClient> client_;
    pupil::ClientOptions clientTimings_;
    std::atomic<int> trackerState_ = stateConnecting;
    std::atomic<int> calibrationMark_ = calibrationNotRun;
    std::atomic<int> screenWidth_ = 0;
    std::atomic<int> screenHeight_ = 0;
    // Client thread only.
    std::deque<PupilSize> pupilSizes_[2];
    // Samples of this examination with a pupil size, and those of them in millimetres;
    // under mutex().
    std::uint64_t sizedSamples_ = 0;
    std::uint64_t millimetreSamples_ = 0;
    std::uint64_t untrustedTimes_ = 0;
};
