#include "recorder/trackers/PupilController.h"

#include "common/Logger.h"
#include "common/PupilUnit.h"
#include "common/QtLogItems.h"

#include <QGuiApplication>
#include <QMutexLocker>
#include <QScreen>
#include <cmath>

namespace {

// Pupil data kept per eye for the look-up: a second at 200 Hz and both detectors.
constexpr std::size_t keptPupilData = 400;
constexpr const char* startCalibration = "calibration.should_start";

int trackerStateOf(pupil::LinkState state)
{
    switch (state) {
    case pupil::LinkState::Connected:
        return PupilController::stateConnected;
    case pupil::LinkState::Unreachable:
        return PupilController::stateUnreachable;
    case pupil::LinkState::BadAnswer:
        return PupilController::stateBadAnswer;
    case pupil::LinkState::Lost:
        return PupilController::stateLost;
    default:
        return PupilController::stateConnecting;
    }
}

} // namespace

PupilController::PupilController(OperatorPrompt& prompt, PupilSettings settings, QObject* parent)
    : EyeTrackerController(prompt, parent), settings_(std::move(settings)),
      minConfidence_(settings_.minConfidence)
{
    // Nothing to supervise: Pupil Capture is the operator's to run, so no server name is set.
    connect(this, &EyeTrackerController::requestConnectToServer, this, &EyeTrackerController::connectToServer,
            Qt::QueuedConnection);
    setScreen(0);
}

PupilController::~PupilController()
{
    LOG("start");
    // First, so that no callback reaches a controller that is going away.
    client_.reset();
    LOG("end");
}

void PupilController::emitInitialSignals()
{
    LOG("start");
    Q_EMIT requestConnectToServer(false);
    Q_EMIT connectionStateChanged(isConnectedToServer());
    Q_EMIT trackerConnectionChanged(trackerState_);
    Q_EMIT calibrationChanged(true, calibrationMark_);
}

bool PupilController::isReadyForExamination()
{
    return isConnectedToServer() && calibrationMark_ != calibrationRunning;
}

bool PupilController::isInstalled()
{
    // Pupil Capture may run on another machine; there is nothing to look for here.
    return true;
}

bool PupilController::isConnectedToServer() const
{
    return client_ && client_->isConnected();
}

void PupilController::setScreen(int index)
{
    screenIndex = index;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* screen = index >= 0 && index < screens.size() ? screens.at(index) : nullptr;
    if (!screen) {
        LOG("no screen with index ", index, " - gaze mapped onto 1920x1080");
        setScreenSize({1920, 1080});
        return;
    }
    setScreenSize(screen->geometry().size());
}

void PupilController::setScreenSize(QSize size)
{
    LOG("surface mapped onto ", size.width(), "x", size.height(), " px");
    screenWidth_ = size.width();
    screenHeight_ = size.height();
}

void PupilController::setFps(int)
{
    LOG("Not supported for this tracker!!");
}

QStringList PupilController::serverArguments()
{
    return {};
}

void PupilController::setClientTimings(std::chrono::milliseconds requestDeadline,
                                       std::chrono::milliseconds checkInterval,
                                       std::chrono::milliseconds reconnectInterval)
{
    clientTimings_.requestDeadline = requestDeadline;
    clientTimings_.checkInterval = checkInterval;
    clientTimings_.reconnectInterval = reconnectInterval;
}

void PupilController::disconnectFromServer()
{
    LOG("Disconecting Pupil Capture..");
    // The client's thread notices within a fraction of a second, also in the middle of a request.
    client_.reset();
    Q_EMIT connectionStateChanged(false);
}

void PupilController::tryConnectToServer()
{
    client_.reset();
    const std::optional<pupil::RemoteAddress> address =
        pupil::RemoteAddress::parse(settings_.address.toStdString());
    if (!address) {
        LOG("Invalid Pupil Remote address: \"", settings_.address, "\" - not connecting");
        Q_EMIT connectionStateChanged(false);
        setTrackerState(stateBadAddress);
        return;
    }
    pupil::ClientOptions options = clientTimings_;
    options.address = *address;
    options.surface = settings_.surface.toStdString();
    pupil::ClientCallbacks callbacks;
    callbacks.linkState = [this](pupil::LinkState state, const std::string& detail) {
        onLinkState(state, detail);
    };
    callbacks.surface = [this](const pupil::SurfaceMessage& message, double clockOffsetMs) {
        onSurface(message, clockOffsetMs);
    };
    callbacks.pupil = [this](const pupil::PupilDatum& datum, bool threeD) { onPupil(datum, threeD); };
    callbacks.notification = [this](const std::string& subject) { onNotification(subject); };
    const auto clock = [this] { return static_cast<double>(wallClockMs()); };
    client_ = std::make_unique<pupil::PupilClient>(options, callbacks, clock);
    client_->start();
}

void PupilController::applySettings(const PupilSettings& settings)
{
    const bool reconnect = settings.address != settings_.address || settings.surface != settings_.surface;
    settings_ = settings;
    minConfidence_ = settings.minConfidence;
    LOG("Pupil Remote address: ", settings_.address, ", surface: ", settings_.surface,
        ", minimum confidence: ", settings_.minConfidence, reconnect ? " - connecting again" : "");
    if (reconnect)
        tryConnectToServer();
}

void PupilController::setTrackerState(int state)
{
    trackerState_ = state;
    Q_EMIT trackerConnectionChanged(state);
}

void PupilController::setCalibrationMark(int mark)
{
    calibrationMark_ = mark;
    LOG("emitting calibrationChanged: ", true, ", ", mark);
    Q_EMIT calibrationChanged(true, mark);
}

void PupilController::onLinkState(pupil::LinkState state, const std::string& detail)
{
    LOG("Pupil Capture: ", detail);
    const bool connected = state == pupil::LinkState::Connected;
    Q_EMIT connectionStateChanged(connected);
    setTrackerState(trackerStateOf(state));
    // A calibration whose outcome can no longer arrive is not running any more.
    if (!connected && calibrationMark_ == calibrationRunning)
        setCalibrationMark(calibrationNotRun);
}

void PupilController::runCalibration()
{
    LOG("start");
    if (!client_ || !client_->notify(startCalibration)) {
        LOG("Pupil Capture not connected - calibration not started");
        setCalibrationMark(calibrationFailed);
        return;
    }
    LOG("sent ", startCalibration);
    setCalibrationMark(calibrationRunning);
}

void PupilController::afterCalibration()
{
    LOG("Not supported for this tracker!!");
}

void PupilController::onNotification(const std::string& subject)
{
    LOG("notification: ", subject);
    if (subject == "calibration.successful")
        setCalibrationMark(calibrationSucceeded);
    else if (subject == "calibration.failed")
        setCalibrationMark(calibrationFailed);
}

void PupilController::onPupil(const pupil::PupilDatum& datum, bool threeD)
{
    if (datum.confidence < minConfidence_)
        return;
    const bool millimetres = threeD && datum.diameter3dMm > 0;
    std::deque<PupilSize>& sizes = pupilSizes_[datum.eye];
    sizes.push_back({datum.timestamp, millimetres ? datum.diameter3dMm : datum.diameterPx, millimetres});
    if (sizes.size() > keptPupilData)
        sizes.pop_front();
}

PupilController::PupilSize PupilController::pupilSizeAt(int eye, double timestamp) const
{
    // Millimetres from the 3d detector when it has a datum near, else pixels from the 2d one.
    for (const bool millimetres : {true, false}) {
        const PupilSize* nearest = nullptr;
        for (const PupilSize& size : pupilSizes_[eye]) {
            if (size.millimetres != millimetres)
                continue;
            if (!nearest || std::fabs(size.timestamp - timestamp) < std::fabs(nearest->timestamp - timestamp))
                nearest = &size;
        }
        if (nearest && std::fabs(nearest->timestamp - timestamp) <= nearestPupilWindowS)
            return *nearest;
    }
    return {};
}

QStringList PupilController::ownHeaderLines() const
{
    // Millimetres only when the 3d model gave every sample's size: the column is one unit or the tracker's.
    if (sizedSamples_ > 0 && millimetreSamples_ == sizedSamples_)
        return {QString::fromUtf8(PupilUnit::millimetresLine.substr(1).data(),
                                  static_cast<int>(PupilUnit::millimetresLine.size() - 1))};
    return {};
}

qint64 PupilController::sampleTimeMs(double pupilSeconds, double clockOffsetMs)
{
    const qint64 now = wallClockMs();
    const double ours = pupilSeconds * 1000.0 - clockOffsetMs;
    if (!std::isfinite(ours) || std::fabs(ours - static_cast<double>(now)) > trustedClockSpanMs) {
        if (untrustedTimes_++ % 1000 == 0)
            LOG("Pupil time ", pupilSeconds, " s lies over ", trustedClockSpanMs,
                " ms from ours - stamped on arrival (", untrustedTimes_, " so far)");
        return now;
    }
    return std::llround(ours);
}

void PupilController::onSurface(const pupil::SurfaceMessage& message, double clockOffsetMs)
{
    const double width = screenWidth_;
    const double height = screenHeight_;
    const double minConfidence = minConfidence_;
    QMutexLocker lock(&mutex());
    for (const pupil::SurfaceGaze& gaze : message.gaze) {
        bool sized = false, millimetres = false;
        GazePoint point;
        point.fix = 0;
        point.interestingPointValue = 0;
        if (gaze.onSurface && gaze.confidence >= minConfidence) {
            point.state = GazePoint::StateGazeTracked;
            // The surface's y grows upwards, the screen's downwards.
            point.avg = {static_cast<float>(gaze.x * width), static_cast<float>((1.0 - gaze.y) * height)};
            point.raw = point.avg;
            const PupilSize right = pupilSizeAt(0, gaze.timestamp);
            const PupilSize left = pupilSizeAt(1, gaze.timestamp);
            point.lefteye.psize = static_cast<float>(left.value > 0 ? left.value : right.value);
            point.righteye.psize = static_cast<float>(right.value > 0 ? right.value : left.value);
            sized = left.value > 0 || right.value > 0;
            millimetres = (left.value <= 0 || left.millimetres) && (right.value <= 0 || right.millimetres);
        } else {
            point.state = 0;
        }
        if (syncMovieTime != -1 && syncSystemTime != -1)
            point.time = static_cast<int32_t>(movieTimeAt(sampleTimeMs(gaze.timestamp, clockOffsetMs)));
        // An examination's first sample starts its count.
        if (!lastGazePoint())
            sizedSamples_ = millimetreSamples_ = 0;
        if (addNewGazePointPosition(point, false, true) && sized) {
            ++sizedSamples_;
            millimetreSamples_ += millimetres ? 1 : 0;
        }
    }
}
