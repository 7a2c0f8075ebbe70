#include "recorder/trackers/EyeXController.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/known_folders.h"
#include "recorder/trackers/ProcessControl.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutexLocker>
#include <cmath>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(eyexEvents, "gazelog.eyex.events", QtWarningMsg)

const char* const interactorId = "ARDO";

void onStateChanged(TX_CONNECTIONSTATE state, TX_USERPARAM controller)
{
    static_cast<EyeXController*>(controller)->onEngineConnectionStateChanged(state);
}

void onEvent(TX_CONSTHANDLE asyncData, TX_USERPARAM controller)
{
    TX_HANDLE event = nullptr;
    if (txGetAsyncDataContent(asyncData, &event) != TX_RESULT_OK)
        return;
    TX_SIZE size = 0;
    if (txFormatObjectAsText(event, nullptr, &size) == TX_RESULT_OK && size > 0) {
        std::vector<TX_CHAR> text(static_cast<std::size_t>(size));
        if (txFormatObjectAsText(event, text.data(), &size) == TX_RESULT_OK)
            qCDebug(eyexEvents) << text.data();
    }
    TX_HANDLE behavior = nullptr;
    if (txGetEventBehavior(event, &behavior, TX_BEHAVIORTYPE_GAZEPOINTDATA) == TX_RESULT_OK) {
        static_cast<EyeXController*>(controller)->onGazeDataEvent(behavior);
        txReleaseObject(&behavior);
    }
    txReleaseObject(&event);
}

void onStateAnswer(TX_CONSTHANDLE asyncData, TX_USERPARAM controller)
{
    TX_HANDLE stateBag = nullptr;
    if (txGetAsyncDataContent(asyncData, &stateBag) != TX_RESULT_OK)
        return;
    static_cast<EyeXController*>(controller)->onDisplayState(stateBag);
    txReleaseObject(&stateBag);
}

// A size the engine reported, in whole units; 0 for none or for nothing a screen measures.
int wholeSize(TX_REAL value)
{
    if (!std::isfinite(value) || value < 0.5 || value > ScreenGeometry::maxDimension)
        return 0;
    return static_cast<int>(std::lround(value));
}

// The engine's time stamp cut to a whole 32-bit time; only its low word matters, and a
// value no integer holds becomes 0 instead of undefined.
int32_t truncatedTime(double timestampMs)
{
    if (!std::isfinite(timestampMs) || std::fabs(timestampMs) >= 9.0e18)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(timestampMs)));
}

} // namespace

EyeXController::EyeXController(OperatorPrompt& prompt, QObject* parent) : EyeTrackerController(prompt, parent)
{
    const QString folder = tobiiFolder() + QStringLiteral("/Tobii EyeX/");
    engineProcessName = QString::fromStdString(platformProgramName("Tobii.EyeX.Engine.exe"));
    engineCommand = '"' + folder + engineProcessName + '"';
    serverProcessName = QString::fromStdString(platformProgramName("Tobii.EyeX.Settings.exe"));
    serverCommand = '"' + folder + serverProcessName + '"';
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(defaultReconnectMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &EyeXController::tryConnectToServer);
    connect(this, &EyeTrackerController::requestConnectToServer, this, &EyeTrackerController::connectToServer,
            Qt::QueuedConnection);
    connect(this, &EyeTrackerController::requestAfterCalibrationSteps, this,
            &EyeXController::afterCalibration);
}

EyeXController::~EyeXController()
{
    LOG("start");
    reconnectTimer_.stop();
    // First, so that no handler reaches a controller that is going away.
    disconnectFromServer();
    if (supervising) {
        if (const pid_t settings = findProcessId(serverProcessName.toStdString()))
            killProcess(settings);
    }
    LOG("end");
}

QString EyeXController::tobiiFolder()
{
    return QString::fromStdString((platform::programFilesFolder() / "Tobii").string());
}

void EyeXController::emitInitialSignals()
{
    LOG("start");
    if (findProcessId(engineProcessName.toStdString()) == 0) {
        LOG("process doesnt exist");
        startEngine();
    }
    Q_EMIT requestConnectToServer(false);
    TX_CONNECTIONSTATE state = TX_CONNECTIONSTATE_DISCONNECTED;
    txGetConnectionState(context_, &state);
    Q_EMIT connectionStateChanged(state == TX_CONNECTIONSTATE_CONNECTED);
    LOG("trackerState = ", state);
    Q_EMIT trackerConnectionChanged(state + 4);
    Q_EMIT calibrationChanged(true, 6);
}

void EyeXController::startEngine()
{
    startProgram(engineCommand);
}

bool EyeXController::isReadyForExamination()
{
    TX_CONNECTIONSTATE state = TX_CONNECTIONSTATE_DISCONNECTED;
    return txGetConnectionState(context_, &state) == TX_RESULT_OK && state == TX_CONNECTIONSTATE_CONNECTED;
}

bool EyeXController::isInstalled()
{
    const QString folder = tobiiFolder();
    return QFileInfo(folder).isDir() &&
           QFileInfo::exists(folder + QStringLiteral("/Tobii EyeX/") + serverProcessName);
}

void EyeXController::setScreen(int)
{
    LOG("Not supported for this tracker!!");
}

void EyeXController::setFps(int)
{
    LOG("Not supported for this tracker!!");
}

void EyeXController::runCalibration()
{
    LOG("Not supported for this tracker!!");
}

void EyeXController::afterCalibration()
{
    LOG("Not supported for this tracker!!");
}

QStringList EyeXController::serverArguments()
{
    return {};
}

void EyeXController::disconnectFromServer()
{
    LOG("Disconecting EyeX..");
    txDisableConnection(context_);
    if (snapshot_ != nullptr)
        txReleaseObject(&snapshot_);
    txShutdownContext(context_, 500, false);
    if (context_ != TX_EMPTY_HANDLE)
        txReleaseContext(&context_);
    txUninitializeEyeX();
}

std::optional<TrackerScreen> EyeXController::trackerScreen() const
{
    const std::lock_guard lock(displayMutex_);
    const TrackerScreen screen{wholeSize(screenBoundsPx_.Width), wholeSize(screenBoundsPx_.Height),
                               wholeSize(displaySizeMm_.Width), wholeSize(displaySizeMm_.Height)};
    if (!screen.isComplete())
        return std::nullopt;
    return screen;
}

void EyeXController::onDisplayState(TX_CONSTHANDLE stateBag)
{
    TX_SIZE2 size;
    TX_RECT bounds;
    const std::lock_guard lock(displayMutex_);
    if (txGetStateValueAsSize2(stateBag, TX_STATEPATH_EYETRACKINGDISPLAYSIZE, &size) == TX_RESULT_OK) {
        LOG("display size: ", size.Width, "x", size.Height, " mm");
        displaySizeMm_ = size;
    } else if (txGetStateValueAsRectangle(stateBag, TX_STATEPATH_EYETRACKINGSCREENBOUNDS, &bounds) ==
               TX_RESULT_OK) {
        LOG("screen bounds: ", bounds.X, ",", bounds.Y, " ", bounds.Width, "x", bounds.Height, " px");
        screenBoundsPx_ = bounds;
    }
}

void EyeXController::tryConnectToServer()
{
    TX_CONNECTIONSTATE state = TX_CONNECTIONSTATE_DISCONNECTED;
    if (txGetConnectionState(context_, &state) == TX_RESULT_OK)
        disconnectFromServer();

    bool success = txInitializeEyeX() == TX_RESULT_OK;
    success = success && txCreateContext(&context_, false) == TX_RESULT_OK;
    TX_HANDLE interactor = nullptr;
    success = success && txCreateGlobalInteractorSnapshot(context_, interactorId, &snapshot_, &interactor) ==
                             TX_RESULT_OK;
    if (interactor != nullptr) {
        TX_GAZEPOINTDATAPARAMS params;
        params.GazePointDataMode = TX_GAZEPOINTDATAMODE_LIGHTLYFILTERED;
        success = success && txCreateGazePointDataBehavior(interactor, &params) == TX_RESULT_OK;
        txReleaseObject(&interactor);
    }
    success = success && txRegisterConnectionStateChangedHandler(context_, &connectionStateTicket_,
                                                                 onStateChanged, this) == TX_RESULT_OK;
    success = success && txRegisterEventHandler(context_, &eventTicket_, onEvent, this) == TX_RESULT_OK;
    success = success && txEnableConnection(context_) == TX_RESULT_OK;

    state = TX_CONNECTIONSTATE_DISCONNECTED;
    txGetConnectionState(context_, &state);
    LOG("Success == ", success, " connection state: ", state);
    if (success && (state == TX_CONNECTIONSTATE_CONNECTED || state == TX_CONNECTIONSTATE_TRYINGTOCONNECT)) {
        reconnectTimer_.stop();
        return;
    }
    LOG("Connection failed - trying again after 1 second");
    // One pending retry at most, however many attempts failed.
    reconnectTimer_.start();
}

void EyeXController::onEngineConnectionStateChanged(TX_CONNECTIONSTATE state)
{
    switch (state) {
    case TX_CONNECTIONSTATE_CONNECTED:
        LOG("The connection state is now CONNECTED (We are connected to the EyeX Engine)");
        if (txCommitSnapshotAsync(snapshot_, nullptr, nullptr) == TX_RESULT_OK)
            LOG("Waiting for gaze data to start streaming...");
        else
            LOG("Failed to initialize the data stream.");
        // The results file records the display the gaze was measured on.
        for (const TX_CHAR* path :
             {TX_STATEPATH_EYETRACKINGDISPLAYSIZE, TX_STATEPATH_EYETRACKINGSCREENBOUNDS}) {
            const TX_RESULT asked = txGetStateAsync(context_, path, onStateAnswer, this);
            if (asked != TX_RESULT_OK)
                LOG("txGetStateAsync failed: ", path, ", result: ", asked);
        }
        break;
    case TX_CONNECTIONSTATE_DISCONNECTED:
        LOG("The connection state is now DISCONNECTED (We are disconnected from the EyeX Engine)");
        break;
    case TX_CONNECTIONSTATE_TRYINGTOCONNECT:
        LOG("The connection state is now TRYINGTOCONNECT (We are trying to connect to the EyeX Engine)");
        break;
    case TX_CONNECTIONSTATE_SERVERVERSIONTOOLOW:
        LOG("The connection state is now SERVER_VERSION_TOO_LOW: this application requires a more recent "
            "version of the EyeX Engine to run.");
        break;
    case TX_CONNECTIONSTATE_SERVERVERSIONTOOHIGH:
        LOG("The connection state is now SERVER_VERSION_TOO_HIGH: this application requires an older version "
            "of the EyeX Engine to run.");
        break;
    default:
        break;
    }
    Q_EMIT connectionStateChanged(state == TX_CONNECTIONSTATE_CONNECTED);
    Q_EMIT trackerConnectionChanged(state + 4);
}

void EyeXController::onGazeDataEvent(TX_HANDLE behavior)
{
    QMutexLocker lock(&mutex());
    if (!examinationInProgress || examinationPaused)
        return;
    TX_GAZEPOINTDATAEVENTPARAMS params;
    if (txGetGazePointDataEventParams(behavior, &params) != TX_RESULT_OK) {
        LOG("Failed to interpret gaze data event packet.");
        return;
    }
    bool afterBlink = false;
    if (lastEventTimestamp != -1.0 && lastGazePoint() != nullptr &&
        params.Timestamp - lastEventTimestamp > blinkGapMs) {
        LOG("Blink detected! Length: ", params.Timestamp - lastEventTimestamp, "ms");
        afterBlink = true;
    }
    lastEventTimestamp = params.Timestamp;

    GazePoint point;
    point.time = truncatedTime(params.Timestamp);
    point.fix = 0;
    point.state = afterBlink ? GazePoint::StateBlink : GazePoint::StateGazeTracked;
    point.avg = {static_cast<float>(params.X), static_cast<float>(params.Y)};
    point.lefteye.psize = 0;
    point.righteye.psize = 0;
    point.interestingPointValue = 0;
    if (afterBlink)
        addMissingSamplesToGazePointList(point);
    addNewGazePointPosition(point, true, false);
}

void EyeXController::addMissingSamplesToGazePointList(GazePoint point)
{
    LOG("start");
    // Without a movie time there is nothing to place the fillers at.
    if (syncMovieTime == -1 || syncSystemTime == -1)
        return;
    point.time = static_cast<int32_t>(movieTimeNow());
    const GazePoint last = lastGazePoint() != nullptr ? *lastGazePoint() : point;
    const double gap = static_cast<double>(point.time) - last.time;
    const auto count = static_cast<int64_t>(gap / 1000.0 * 30.0);
    if (count < 1)
        return;
    for (int64_t k = 1; k <= count; ++k) {
        GazePoint filler = point;
        const auto n = static_cast<double>(count);
        const auto step = static_cast<double>(k);
        filler.time = static_cast<int32_t>(step * gap / n + last.time);
        filler.avg.x = static_cast<float>(last.avg.x + step * (point.avg.x - last.avg.x) / n);
        filler.avg.y = static_cast<float>(last.avg.y + step * (point.avg.y - last.avg.y) / n);
        addNewGazePointPosition(filler, false, true);
    }
    LOG("end");
}
