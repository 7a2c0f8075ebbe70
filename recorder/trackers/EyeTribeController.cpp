#include "recorder/trackers/EyeTribeController.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/known_folders.h"
#include "platform/processes.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "recorder/trackers/ProcessControl.h"
#include "recorder/trackers/WindowControl.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QScreen>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

const std::string calibrationProgramName = platformProgramName("EyeTribeUIWin.exe");

GazeEye toEye(const gtl::EyeValues& eye)
{
    return {{eye.raw.x, eye.raw.y}, {eye.avg.x, eye.avg.y}, eye.psize, {eye.pcenter.x, eye.pcenter.y}};
}

// Member by member: the frame's flag is a bool, the sample's a whole word.
GazePoint toGazePoint(const gtl::GazeFrame& frame)
{
    GazePoint point;
    point.time = frame.time;
    point.fix = frame.fix ? 1 : 0;
    point.state = frame.state;
    point.raw = {frame.raw.x, frame.raw.y};
    point.avg = {frame.avg.x, frame.avg.y};
    point.lefteye = toEye(frame.lefteye);
    point.righteye = toEye(frame.righteye);
    point.interestingPointValue = 0;
    return point;
}

// The server keeps physical sizes in metres; anything beyond 100 m is no screen (0).
int millimetres(float metres)
{
    if (!std::isfinite(metres) || metres <= 0.0f || metres > 100.0f)
        return 0;
    return static_cast<int>(std::lround(metres * 1000.0));
}

} // namespace

EyeTribeController::EyeTribeController(OperatorPrompt& prompt, QObject* parent)
    : EyeTrackerController(prompt, parent)
{
    serverProcessName = QString::fromStdString(platformProgramName("EyeTribe.exe"));
    serverCommand = '"' + eyeTribeFolder() + QStringLiteral("/Server/") + serverProcessName + '"';
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(defaultReconnectMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &EyeTribeController::tryConnectToServer);
    connect(this, &EyeTrackerController::requestConnectToServer, this, &EyeTrackerController::connectToServer,
            Qt::QueuedConnection);
    connect(this, &EyeTrackerController::requestAfterCalibrationSteps, this,
            &EyeTribeController::afterCalibration);
    client_.add_listener(static_cast<gtl::IConnectionStateListener&>(*this));
    client_.add_listener(static_cast<gtl::ITrackerStateListener&>(*this));
    client_.add_listener(static_cast<gtl::IGazeListener&>(*this));
    client_.add_listener(static_cast<gtl::ICalibrationResultListener&>(*this));
    linkContext_ = new QObject;
    linkContext_->moveToThread(&linkThread_);
    linkThread_.setObjectName(QStringLiteral("EyeTribe link"));
    linkThread_.start();
}

EyeTribeController::~EyeTribeController()
{
    LOG("start");
    reconnectTimer_.stop();
    // No new attempt starts; one on its way is cut short by the disconnect, which
    // may come from this thread. Closed before anything else goes, so that no
    // listener call reaches a controller that is going away.
    closing_ = true;
    client_.disconnect();
    linkThread_.quit();
    linkThread_.wait();
    client_.disconnect();
    delete linkContext_;
    if (supervising)
        endSupervisedPrograms();
    LOG("end");
}

void EyeTribeController::onLinkThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(linkContext_, std::move(task), Qt::QueuedConnection);
}

void EyeTribeController::endSupervisedPrograms()
{
    if (const pid_t server = findProcessId(serverProcessName.toStdString()))
        killProcess(server);
    if (const pid_t calibration = findProcessId(calibrationProgramName))
        killProcess(calibration);
}

QString EyeTribeController::eyeTribeFolder()
{
    return QString::fromStdString((platform::programFilesFolder() / "EyeTribe").string());
}

void EyeTribeController::setRetryIntervals(int reconnectMs, int calibrationRetryMs, int calibrationStartMs)
{
    reconnectMs_ = reconnectMs;
    reconnectTimer_.setInterval(reconnectMs);
    calibrationRetryMs_ = calibrationRetryMs;
    calibrationStartMs_ = calibrationStartMs;
}

QString EyeTribeController::portArgument() const
{
    return port_ == gtl::GazeApi::defaultPort ? QString() : QStringLiteral("--port=%1").arg(port_);
}

int EyeTribeController::calibrationQuality(const gtl::CalibrationResult& result)
{
    if (!result.result)
        return 0;
    if (result.deg < 0.5f)
        return 5;
    if (result.deg < 0.7f)
        return 4;
    if (result.deg < 1.0f)
        return 3;
    if (result.deg < 1.5f)
        return 2;
    return 1;
}

void EyeTribeController::emitInitialSignals()
{
    LOG("start");
    Q_EMIT requestConnectToServer(false);
    reportConnection(client_.is_connected(), true);
    const int trackerState = client_.current_values().trackerstate;
    LOG("trackerState = ", trackerState);
    Q_EMIT trackerConnectionChanged(trackerState);
    gtl::CalibrationResult result;
    client_.calibration_result(result);
    const int quality = calibrationQuality(result);
    LOG("result=", result.result, ", quality=", quality);
    Q_EMIT calibrationChanged(result.result, quality);
    reportFrameRate();
}

void EyeTribeController::reportFrameRate()
{
    if (!client_.is_connected())
        return;
    // A server that was already running keeps the rate it was started with, whatever we would ask for.
    const int reported = client_.current_values().framerate;
    LOG("server frame rate: ", reported);
    if (reported <= 0)
        return;
    fps = reported;
    Q_EMIT frameRateReported(reported);
}

bool EyeTribeController::isReadyForExamination()
{
    if (!client_.is_connected())
        return false;
    const gtl::TrackerValues values = client_.current_values();
    gtl::CalibrationResult result;
    client_.calibration_result(result);
    return values.trackerstate == 0 && values.iscalibrated && calibrationQuality(result) >= 2;
}

bool EyeTribeController::isConnectedToServer() const
{
    return client_.is_connected();
}

std::optional<TrackerScreen> EyeTribeController::trackerScreen() const
{
    if (!client_.is_connected())
        return std::nullopt;
    const gtl::ScreenSetup screen = client_.current_screen();
    const TrackerScreen reported{screen.screenresw, screen.screenresh, millimetres(screen.screenpsyw),
                                 millimetres(screen.screenpsyh)};
    if (!reported.isComplete())
        return std::nullopt;
    return reported;
}

bool EyeTribeController::isInstalled()
{
    const QString folder = eyeTribeFolder();
    return QFileInfo(folder).isDir() &&
           QFileInfo::exists(folder + QStringLiteral("/Client/") +
                             QString::fromStdString(calibrationProgramName)) &&
           QFileInfo::exists(folder + QStringLiteral("/Server/") + serverProcessName);
}

void EyeTribeController::setScreen(int index)
{
    screenIndex = index;
    if (!client_.is_connected()) {
        LOG("eyetribe not connected - screen not changed");
        return;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (index < 0 || index >= screens.size()) {
        LOG("no screen with index ", index, " - screen not changed");
        return;
    }
    const QScreen* screen = screens.at(index);
    gtl::ScreenSetup setup;
    setup.screenindex = index;
    setup.screenresw = screen->geometry().width();
    setup.screenresh = screen->geometry().height();
    setup.screenpsyw = static_cast<float>(screen->physicalSize().width() / 1000.0);
    setup.screenpsyh = static_cast<float>(screen->physicalSize().height() / 1000.0);
    LOG("prepared screen: ", setup.screenindex, ", ", setup.screenresw, "x", setup.screenresh, "px, ",
        setup.screenpsyw, "x", setup.screenpsyh, "m");
    client_.set_screen(setup);
}

void EyeTribeController::setFps(int value)
{
    fps = value;
}

QStringList EyeTribeController::serverArguments()
{
    QStringList arguments{QStringLiteral("--framerate=%1").arg(fps)};
    if (!portArgument().isEmpty())
        arguments << portArgument();
    return arguments;
}

void EyeTribeController::disconnectFromServer()
{
    LOG("Disconecting...");
    reconnectTimer_.stop();
    onLinkThread([this] {
        const bool wasConnected = client_.is_connected();
        client_.disconnect();
        // The client closes without a word; the window is told here, in order
        // after whatever an earlier attempt reported.
        if (wasConnected)
            reportConnection(false);
    });
}

void EyeTribeController::reportConnection(bool connected, bool always)
{
    // The reading thread and our own disconnect can both see one connection end,
    // and a reconnect is silent: the window hears each change once, in order.
    const std::lock_guard lock(reportMutex_);
    if (!always && reportedConnected_ == connected)
        return;
    reportedConnected_ = connected;
    Q_EMIT connectionStateChanged(connected);
}

void EyeTribeController::tryConnectToServer()
{
    if (attemptInFlight_) {
        // Asked again meanwhile (say, after a disconnect): looked at once the attempt is over.
        LOG("a connection attempt is already on its way");
        connectAgain_ = true;
        return;
    }
    attemptInFlight_ = true;
    const unsigned short port = port_;
    onLinkThread([this, port] {
        if (closing_)
            return;
        if (client_.is_connected()) {
            LOG("Disconecting...");
            client_.disconnect();
        }
        connecting_ = true;
        const bool connected = client_.connect(true, port);
        connecting_ = false;
        const gtl::ConnectOutcome outcome = client_.last_connect_outcome();
        const std::string unreadable = client_.first_unreadable_text();
        QMetaObject::invokeMethod(
            this,
            [this, connected, outcome, unreadable] {
                connectAttemptFinished(connected, outcome, unreadable);
            },
            Qt::QueuedConnection);
    });
}

void EyeTribeController::connectAttemptFinished(bool connected, gtl::ConnectOutcome outcome,
                                                const std::string& unreadable)
{
    attemptInFlight_ = false;
    LOG("Connected == ", connected, " (", gtl::connectOutcomeText(outcome), ")");
    // What the attempt saw is told once it is over: a program that accepts and
    // then drops every connection does not make "Connected" flicker.
    reportConnection(client_.is_connected());
    if (std::exchange(connectAgain_, false) && !client_.is_connected()) {
        tryConnectToServer();
        return;
    }
    if (connected) {
        reportFrameRate();
        failedAttempts_ = 0;
        foreignAnswers_ = 0;
        foreignTold_ = false;
        reconnectTimer_.stop();
        reconnectTimer_.setInterval(reconnectMs_);
        return;
    }
    const bool foreign = outcome == gtl::ConnectOutcome::lost || outcome == gtl::ConnectOutcome::too_large ||
                         !unreadable.empty();
    foreignAnswers_ = foreign ? foreignAnswers_ + 1 : 0;
    // Once is a hiccup (a server going down meanwhile); twice in a row is a program that is no tracker
    // server.
    if (foreignAnswers_ >= 2 && !foreignTold_)
        tellForeignProgram(outcome, unreadable);
    // Spaced out as failures go on: 1, 2, 4 ... 30 times the first wait.
    const int delay = std::min(reconnectMs_ << std::min(failedAttempts_, 5), 30 * reconnectMs_);
    ++failedAttempts_;
    LOG("Connection failed - trying again after ", delay, " ms");
    // One pending retry at most, however many requests failed.
    reconnectTimer_.start(delay);
}

void EyeTribeController::tellForeignProgram(gtl::ConnectOutcome outcome, const std::string& unreadable)
{
    foreignTold_ = true;
    QString what;
    if (!unreadable.empty())
        what = tr("it answered \"%1\"").arg(QString::fromStdString(unreadable));
    else if (outcome == gtl::ConnectOutcome::too_large)
        what = tr("it sends more than any message of a tracker server");
    else
        what = tr("it closes every connection without an answer");
    LOG("a program that is no tracker server answers on port ", port_, ": ", what);
    prompt().warning(tr("Error"), tr("Another program than the tracker server answers on port %1: %2.\n"
                                     "The connection is tried again now and then; end that program to "
                                     "use the tracker.")
                                      .arg(port_)
                                      .arg(what));
}

bool EyeTribeController::serverPortTaken() const
{
    // A bind is refused while anything listens on the port; it never waits.
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const int reuse = 1;
    ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    const bool taken = ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                       errno == EADDRINUSE;
    ::close(probe);
    return taken;
}

void EyeTribeController::on_connection_state_changed(bool connected)
{
    LOG("is connected: ", connected);
    if (!connecting_)
        reportConnection(connected);
    const int trackerState = client_.current_values().trackerstate;
    LOG("calling on_tracker_connection_changed with param: ", trackerState);
    on_tracker_connection_changed(trackerState);
    LOG("after call");
    // Screens are the window thread's to read; the request goes out from there.
    QMetaObject::invokeMethod(
        this,
        [this, connected] {
            if (connected) {
                setScreen(screenIndex);
                return;
            }
            // The server ended the connection (our own disconnects are silent):
            // connect again, leaving the server and its calibration as they are.
            if (!closing_ && !attemptInFlight_ && !reconnectTimer_.isActive()) {
                LOG("connection lost - connecting again after 1 second");
                reconnectTimer_.start();
            }
        },
        Qt::QueuedConnection);
}

void EyeTribeController::on_tracker_connection_changed(int trackerstate)
{
    LOG("Tracker state = ", trackerstate);
    Q_EMIT trackerConnectionChanged(trackerstate);
}

void EyeTribeController::on_screen_state_changed(const gtl::ScreenSetup& screen)
{
    LOG("screen state changed, new screen = ", screen.screenindex, ", ", screen.screenresw, "x",
        screen.screenresh, "px, ", screen.screenpsyw, "x", screen.screenpsyh);
    LOG("emitting signal screenchanged");
    Q_EMIT screenChanged(screen.screenindex);
}

void EyeTribeController::on_gaze_data(const gtl::GazeFrame& frame)
{
    QMutexLocker lock(&mutex());
    addNewGazePointPosition(toGazePoint(frame), true, false);
}

void EyeTribeController::on_calibration_changed(bool isCalibrated, const gtl::CalibrationResult& result)
{
    LOG("is calibrated: ", isCalibrated, ", sucessfull: ", result.result, ", average error: ", result.deg);
    const int quality = calibrationQuality(result);
    if (isCalibrated) {
        const pid_t program = findProcessId(calibrationProgramName);
        const int windows = program != 0 ? helper::findVisibleAppWindowsCount(program) : 0;
        if (calibrationResultShown(windows)) {
            LOG("over 11 calibration windows/controls -> emitting requestAfterCalibrationSteps signal");
            Q_EMIT requestAfterCalibrationSteps();
        } else {
            LOG("calibration 100% finished - switch window back to gazeview");
            if (parent() != nullptr)
                LOG("parentWindow != NULL");
        }
    }
    LOG("emitting calibrationChanged: ", isCalibrated, ", ", quality);
    Q_EMIT calibrationChanged(isCalibrated, quality);
}

void EyeTribeController::afterCalibration()
{
    gtl::CalibrationResult result;
    client_.calibration_result(result);
    LOG("calib result: ", result.result);
    if (!result.result)
        return;
    const pid_t program = findProcessId(calibrationProgramName);
    const int windows = program != 0 ? helper::findVisibleAppWindowsCount(program) : 0;
    if (calibrationResultShown(windows))
        return;
    LOG("calibration 100% finished - switch window back to gazeview");
    if (parent() != nullptr) {
        LOG("parentWindow != NULL");
        if (parentActivator_)
            parentActivator_();
    }
}

void EyeTribeController::runCalibration()
{
    LOG("start");
    supervising = true;
    if (const pid_t program = findProcessId(calibrationProgramName)) {
        LOG("switching window");
        if (const helper::WindowHandle window = helper::findMainWindow(program)) {
            helper::bringWindowToFront(window);
            return;
        }
        LOG("Failed to find window, error: ", errno);
        QTimer::singleShot(calibrationRetryMs_, this, &EyeTribeController::runCalibration);
        return;
    }
    LOG("running eyeTribeUi");
    const QString program =
        eyeTribeFolder() + QStringLiteral("/Client/") + QString::fromStdString(calibrationProgramName);
    LOG('"' + program + '"');
    std::vector<std::string> arguments;
    if (!portArgument().isEmpty())
        arguments.push_back(portArgument().toStdString());
    platform::startDetached(program.toStdString(), arguments);
    QTimer::singleShot(calibrationStartMs_, this, &EyeTribeController::runCalibration);
}
