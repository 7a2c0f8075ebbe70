#include "recorder/Gazelog.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/window_bus.h"
#include "recorder/AboutWindow.h"
#include "recorder/MessageBoxPrompt.h"
#include "recorder/QSliderWithTicks.h"
#include "recorder/RecorderTexts.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "ui_Gazelog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QScreen>
#include <cmath>

namespace {
constexpr quint64 codeDuration = 32;
constexpr quint64 codeSynchronisation = 8;
constexpr quint64 codePaused = 3;
constexpr quint64 codeResumed = 2;
constexpr quint64 codeInterestingPoint = 16;
constexpr quint64 codeFinished = 4;
constexpr const char* dateFormat = "yyyy_MM_dd_HH_mm_ss";
} // namespace

Gazelog::Gazelog(const QString& moviePath, GazelogServices services, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Gazelog>()), services_(std::move(services))
{
    LOG("moviePath: ", moviePath);
    ui->setupUi(this);
    if (services_.prompt) {
        prompt_ = services_.prompt;
    } else {
        ownPrompt_ = std::make_unique<MessageBoxPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    if (!services_.startDetached)
        services_.startDetached = systemDetachedStarter();
    gopro = services_.makeGopro ? services_.makeGopro(this) : new GoproController(this);
    playerPath_ = services_.playerPath.isEmpty() ? PlayerCommands::playerExecutable() : services_.playerPath;

    // The screen choice and the examination length are not offered to operators.
    ui->labelMonitor->hide();
    ui->comboBoxScreenList->hide();
    ui->groupBoxExaminationLength->hide();

    const QRect progress = ui->labelProgress->geometry();
    slider = new QSliderWithTicks(Qt::Horizontal, ui->tabExamination);
    slider->setGeometry(QRect(QPoint(10, progress.top() + 20), QPoint(390, progress.top() + 42)));
    slider->setRange(0, 100);
    slider->setValue(0);
    slider->setEnabled(false);
    slider->setTickPosition(QSlider::TicksAbove);

    fillScreenList();

    connect(ui->buttonRestartServer, &QPushButton::clicked, this, &Gazelog::restartServer);
    connect(ui->comboBoxScreenList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::selectedScreenChanged);
    connect(ui->comboBoxFps, qOverload<int>(&QComboBox::currentIndexChanged), this, &Gazelog::onFpsChanged);
    connect(ui->comboBoxEyeTracker, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::onEyeTrackerChanged);
    connect(ui->buttonGoProPreview, &QPushButton::clicked, this, &Gazelog::showGoproPreview);
    connect(ui->buttonGoProMovies, &QPushButton::clicked, this, &Gazelog::showGoproMovies);
    connect(ui->checkBoxUseGoProCamera, &QCheckBox::stateChanged, this, &Gazelog::onUseGoproStateChanged);
    connect(ui->buttonSelectMoviePath, &QPushButton::clicked, this, [this] { selectMovie(); });
    connect(ui->buttonSelectOutputDirectory, &QPushButton::clicked, this, &Gazelog::selectOutputDirectory);
    connect(ui->radioButtonExaminationLengthFullMovie, &QRadioButton::toggled, this,
            &Gazelog::examinationLengthChanged);
    connect(ui->radioButtonExaminationLengthPartMovie, &QRadioButton::toggled, this,
            &Gazelog::examinationLengthChanged);
    connect(ui->buttonExaminationStart, &QPushButton::clicked, this, &Gazelog::startExamination);
    connect(ui->buttonExaminationAbort, &QPushButton::clicked, this, [this] { stopExamination(); });
    connect(ui->buttonExaminationSave, &QPushButton::clicked, this, &Gazelog::saveExamination);
    connect(ui->buttonRunVisualization, &QPushButton::clicked, this, &Gazelog::runVisualization);
    connect(ui->buttonRunPlayer, &QPushButton::clicked, this, &Gazelog::runPlayer);
    connect(this, &Gazelog::examinationFinished, this, [this](bool finished) { stopExamination(finished); });
    connect(this, &Gazelog::examinationError, this, &Gazelog::stopExamination);
    connect(this, &Gazelog::addInterestingPoint, slider, &QSliderWithTicks::interestingPointAdded);
    connect(ui->menuAbout, &QMenu::aboutToShow, this, &Gazelog::showAboutDialog);

    {
        const QSignalBlocker block(ui->comboBoxEyeTracker);
        ui->comboBoxEyeTracker->setCurrentIndex(0);
        onEyeTrackerChanged(0);
    }
    announceInstallation("eyetribe installed - emit initial signals",
                         "eyetribe not installed - don't emit initial signals");

    lookUpPlayer();
    listenForPlayer();
    if (!moviePath.isEmpty())
        selectMovie(moviePath);
    LOG("end");
}

Gazelog::~Gazelog()
{
    LOG("start");
    delete controller;
    controller = nullptr;
    LOG("end");
}

void Gazelog::warn(const QString& text)
{
    prompt_->warning(tr("Error"), text);
}

void Gazelog::lookUpPlayer()
{
    LOG("player path=", playerPath_);
    if (QFileInfo::exists(playerPath_)) {
        LOG("Player found");
        return;
    }
    LOG("Player not found");
    warn(
        tr("Player not found - performing examination and running visualisation will not be possible.\nCheck "
           "whether file \"Gazeview\" is in the same directory as file \"Gazelog\"."));
}

void Gazelog::listenForPlayer()
{
    playerReports = new platform::WindowMessageReceiver(this);
    playerReports->setHandler([this](const platform::WindowMessage& message) {
        return handlePlayerMessage(message.identifier, message.wParam, message.lParam);
    });
    connect(playerReports, &platform::WindowMessageReceiver::closeRequested, this, &QWidget::close);
    connect(playerReports, &platform::WindowMessageReceiver::messageDropped, this,
            [](const QString& reason) { LOG("message dropped: ", reason); });
    if (!playerReports->registerWindow(windowTitle()))
        LOG("WindowMessageReceiver::registerWindow failed: the player cannot report, ",
            playerReports->errorString());
}

void Gazelog::fillScreenList()
{
    const QSignalBlocker block(ui->comboBoxScreenList);
    ui->comboBoxScreenList->clear();
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        ui->comboBoxScreenList->addItem(tr("%1 resolution: %2x%3")
                                            .arg(screen->name())
                                            .arg(screen->geometry().width())
                                            .arg(screen->geometry().height()));
    }
    ui->comboBoxScreenList->setCurrentIndex(
        static_cast<int>(screens.indexOf(QGuiApplication::primaryScreen())));
}

// ---- Settings tab ----

void Gazelog::onEyeTrackerChanged(int eyeTrackerIndex)
{
    LOG("eyeTrackerIndex: ", eyeTrackerIndex);
    delete controller;
    controller =
        services_.makeController ? services_.makeController(eyeTrackerIndex, *prompt_, this) : nullptr;
    const bool eyeTribe = eyeTrackerIndex == 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(ui->labelCalibrationQuality),
          static_cast<QWidget*>(ui->labelCalibrationQuality_2), static_cast<QWidget*>(ui->labelFps),
          static_cast<QWidget*>(ui->comboBoxFps), static_cast<QWidget*>(ui->buttonCalibrate)})
        widget->setEnabled(eyeTribe);
    connectController();
    announceInstallation("eyetracker installed - emit initial signals",
                         "eyetracker not installed - don't emit initial signals");
}

void Gazelog::connectController()
{
    if (!controller)
        return;
    connect(ui->buttonCalibrate, &QPushButton::clicked, controller, &EyeTrackerController::runCalibration);
    connect(controller, &EyeTrackerController::connectionStateChanged, this,
            &Gazelog::onConnectionStateChanged);
    connect(controller, &EyeTrackerController::trackerConnectionChanged, this,
            &Gazelog::onTrackerConnectionChanged);
    connect(controller, &EyeTrackerController::calibrationChanged, this, &Gazelog::onCalibrationChanged);
    connect(controller, &EyeTrackerController::screenChanged, this, &Gazelog::onScreenChanged);
    connect(controller, &EyeTrackerController::examinationError, this, &Gazelog::stopExamination);
    connect(this, &Gazelog::requestConnectToServer, controller, &EyeTrackerController::connectToServer);
}

void Gazelog::announceInstallation(const char* installedText, const char* missingText)
{
    if (controller && controller->isInstalled()) {
        LOG(installedText);
        controller->emitInitialSignals();
        return;
    }
    LOG(missingText);
    warn(
        tr("EyeTribe SDK not found. Performing an examination will not be possible.\nTo perform test install "
           "EyeTribe SDK."));
}

void Gazelog::onTrackerConnectionChanged(int trackerState)
{
    LOG("tracker state: ", trackerState);
    ui->labelConnectionStatus->setText(RecorderTexts::trackerStatus(trackerState));
}

void Gazelog::onConnectionStateChanged(bool eyeTrackerConnected)
{
    LOG("eyeTrackerConnected: ", eyeTrackerConnected);
    ui->labelConnected->setText(eyeTrackerConnected ? tr("Yes") : tr("No"));
}

void Gazelog::onCalibrationChanged(bool isCalibrated, int calibrationQuality)
{
    LOG("is calibrated: ", isCalibrated, ", calibrationQuality: ", calibrationQuality);
    ui->labelCalibrationQuality->setText(
        RecorderTexts::calibrationQuality(isCalibrated ? calibrationQuality : 0));
}

void Gazelog::restartServer()
{
    Q_EMIT requestConnectToServer(true);
}

void Gazelog::onFpsChanged(int)
{
    LOG("Fps changed to: ", ui->comboBoxFps->currentText());
    if (controller)
        controller->setFps(ui->comboBoxFps->currentText().toInt());
    restartServer();
}

void Gazelog::selectedScreenChanged(int screenIndex)
{
    LOG("changing screen to = ", screenIndex);
    if (controller)
        controller->setScreen(screenIndex);
}

void Gazelog::onScreenChanged(int screenIndex)
{
    const QSignalBlocker block(ui->comboBoxScreenList);
    const bool inRange = screenIndex >= 0 && screenIndex < ui->comboBoxScreenList->count();
    ui->comboBoxScreenList->setCurrentIndex(inRange ? screenIndex : 0);
}

void Gazelog::setGoproButtonsEnabled(bool enabled)
{
    ui->buttonGoProPreview->setEnabled(enabled);
    ui->buttonGoProMovies->setEnabled(enabled);
}

void Gazelog::goProNotAvaibleError()
{
    LOG("Error - Gopro camera is not avaible!");
    warn(tr("GoPro camera is not avaible! \nCheck wifi connection and GoPro camera."));
}

void Gazelog::onUseGoproStateChanged(int state)
{
    LOG("state: ", state);
    if (state == Qt::Unchecked) {
        setGoproButtonsEnabled(false);
        return;
    }
    if (!gopro->isAvailable()) {
        goProNotAvaibleError();
        const QSignalBlocker block(ui->checkBoxUseGoProCamera);
        ui->checkBoxUseGoProCamera->setChecked(false);
        setGoproButtonsEnabled(false);
        return;
    }
    if (!gopro->configureCamera(ui->lineEditGoProPassword->text())) {
        LOG("Failed to configure Gopro!");
        warn(tr("Failed to configure GoPro camera! \nRequired version is at least GoPro Hero 3."));
        return;
    }
    setGoproButtonsEnabled(true);
}

void Gazelog::showGoproPreview()
{
    if (gopro->isAvailable())
        gopro->showPreview();
    else
        goProNotAvaibleError();
}

void Gazelog::showGoproMovies()
{
    if (gopro->isAvailable())
        gopro->showMovies();
    else
        goProNotAvaibleError();
}

void Gazelog::showAboutDialog()
{
    auto* about = new AboutWindow(this, QString::fromLatin1(version));
    about->show();
}

// ---- Examination tab ----

void Gazelog::selectMovie(QString selectedMoviePath)
{
    LOG("selectedMoviePath: ", selectedMoviePath);
    if (selectedMoviePath.isEmpty()) {
        selectedMoviePath = prompt_->openFile(
            tr("Select movie"), QDir::homePath(),
            tr("Video files (*.asf *.avi *.mkv *.mov *.mp4 *.mpg *.mpeg *.m1v *.wmv *.qt)"));
        LOG("Selected movie: ", selectedMoviePath);
    }
    if (selectedMoviePath.isEmpty())
        return;
    ui->lineEditMoviePath->setText(selectedMoviePath);

    delete durationProbe;
    durationProbe = new QMediaPlayer(this, QMediaPlayer::VideoSurface);
    durationProbe->setMedia(QUrl::fromLocalFile(QFileInfo(selectedMoviePath).absoluteFilePath()));
    movieDuration = 0;
    examinationLength = 0;
    LOG("Connecting signal..");
    connect(durationProbe, &QMediaPlayer::durationChanged, this, &Gazelog::onDurationChanged);

    const QFileInfo movie(selectedMoviePath);
    ui->lineEditOutputDirectory->setText(movie.absolutePath() + QDir::separator() + movie.completeBaseName() +
                                         QStringLiteral("_data"));
    LOG("end");
}

void Gazelog::selectOutputDirectory()
{
    const QString folder = prompt_->chooseFolder(tr("Select folder for results"), QDir::homePath());
    LOG("Selected out dir: ", folder);
    if (!folder.isEmpty())
        ui->lineEditOutputDirectory->setText(folder);
}

void Gazelog::examinationLengthChanged()
{
    const bool part = ui->radioButtonExaminationLengthPartMovie->isChecked();
    ui->lineEditMoviePartStart->setEnabled(part);
    ui->lineEditMoviePartEnd->setEnabled(part);
}

void Gazelog::setSliderRange(qint64 start, qint64 end)
{
    // The slider works in int; movies of up to 24 days fit.
    slider->setRange(static_cast<int>(start), static_cast<int>(end));
    slider->setTickPosition(QSlider::TicksAbove);
    slider->setPageStep(static_cast<int>(std::llround(static_cast<double>(end - start) / 10.0)) + 1);
}

void Gazelog::onDurationChanged(qint64 duration)
{
    LOG("duration: ", duration);
    ui->lineEditMoviePartEnd->setText(QString::number(duration));
    movieDuration = duration;
    setSliderRange(0, movieDuration);
    LOG("examination length: ", examinationLength);
}

bool Gazelog::validateInputData(const QString& moviePath, const QString& outputPath, bool checkMovie,
                                bool checkTracker)
{
    LOG("moviePath: ", moviePath, ", outputPath: ", outputPath, ", checkMovie: ", checkMovie,
        ", checkTracker: ", checkTracker);
    if (checkMovie && !QFileInfo::exists(moviePath)) {
        LOG("Movie path doesnt exist");
        warn(tr("Selected file doesn't exist!"));
        return false;
    }
    if (!QFileInfo(outputPath).isDir()) {
        LOG("Output folder doesnt exist");
        if (!prompt_->question(tr("Error"), tr("Selected folder doesn't exist!\nCreate folder?")))
            return false;
        if (outputPath.isEmpty() || !QDir().mkpath(outputPath)) {
            warn(tr("Unable to create folder: ") + outputPath + tr("\nSelect different folder name."));
            return false;
        }
    }
    if (!RecorderTexts::isValidExaminationId(examinationId)) {
        LOG("Invalid examination id");
        warn(tr("Test id can't be blank and can't contain characters: /\\:*?\"<>|"));
        return false;
    }
    if (checkTracker && !(controller && controller->isReadyForExamination())) {
        LOG("EyeTracker not ready");
        warn(tr("EyeTribe is not ready - check state in \"Calibration\" tab"));
        return false;
    }
    LOG("end");
    return true;
}

void Gazelog::startExamination()
{
    const QString moviePath = ui->lineEditMoviePath->text();
    const QString outputPath = ui->lineEditOutputDirectory->text();
    examinationId = ui->lineEditExaminationId->text();
    LOG("movie path=", moviePath, " output directory path=", outputPath);
    if (!validateInputData(moviePath, outputPath, true, true))
        return;

    qint64 start = 0;
    qint64 end = 0;
    if (movieDuration != 0) {
        LOG("Movie length known");
        if (ui->radioButtonExaminationLengthFullMovie->isChecked()) {
            examinationLength = movieDuration;
            LOG("examinationLength=movieLangth == ", examinationLength);
            end = movieDuration;
        } else {
            bool startOk = false;
            bool endOk = false;
            start = ui->lineEditMoviePartStart->text().toLongLong(&startOk, 10);
            end = ui->lineEditMoviePartEnd->text().toLongLong(&endOk, 10);
            LOG("movie start=", start, ", movie end=", end);
            if (!startOk || start < 0 || end < start) {
                warn(tr("Invalid movie start time!"));
                return;
            }
            if (!endOk || end > movieDuration) {
                warn(tr("Invalid movie end time!"));
                return;
            }
            examinationLength = end - start;
        }
        setSliderRange(start, end);
        LOG("examination length: ", examinationLength);
    } else {
        LOG("Movie length unknown");
        slider->setRange(0, 0);
        slider->setTickPosition(QSlider::NoTicks);
    }
    slider->clearTicks();

    const bool useGopro = ui->checkBoxUseGoProCamera->isChecked();
    if (useGopro) {
        LOG("Using Gopro");
        if (!gopro->isAvailable()) {
            goProNotAvaibleError();
            return;
        }
        if (!gopro->setRecording(true)) {
            LOG("Failed to start recording using Gopro!");
            warn(tr("Failed to start recording using GoPro camera!."));
            return;
        }
    }

    LOG("Going to start player");
    const bool part = examinationLength != movieDuration;
    const QString command = PlayerCommands::examination(playerPath_, moviePath, windowTitle(),
                                                        part ? &start : nullptr, part ? &end : nullptr);
    if (!runDetachedCommand(services_.startDetached, command)) {
        warn(tr("Failed to run player. \nCheck whether file \"Gazeview\" is in \nthe same directory as file "
                "\"Gazelog\"."));
        if (useGopro)
            gopro->setRecording(false);
        return;
    }
    controller->startExamination();
    ui->buttonExaminationStart->setEnabled(false);
    ui->buttonExaminationAbort->setEnabled(true);
    ui->buttonExaminationSave->setEnabled(false);
    ui->buttonRunVisualization->setEnabled(false);
    LOG("end");
}

QStringList Gazelog::headerLines(const QString& dateText, const QString& resultsPath) const
{
    return {QStringLiteral("Examination date: ") + dateText,
            QStringLiteral("Movie path: ") + ui->lineEditMoviePath->text(),
            QStringLiteral("Output path: ") + resultsPath,
            QStringLiteral("Examination id: ") + ui->lineEditExaminationId->text()};
}

QRect Gazelog::resultsArea() const
{
    if (services_.workArea)
        return services_.workArea();
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry() : QRect();
}

void Gazelog::stopExamination(bool movieFinished, bool error)
{
    LOG("movieFinished: ", movieFinished, ", error: ", error);
    if (!controller)
        return;
    if (error) {
        controller->endExamination(false, QString(), QStringList(), QRect(), false, 1);
        warn(tr("No data from EyeTribe for ") + QStringLiteral("10000") +
             tr(" ms.\nCheck EyeTribe connection or try restarting EyeTribe Server."));
        ui->plainTextEditInterestingPoints->clear();
        ui->buttonExaminationStart->setEnabled(true);
        ui->buttonExaminationAbort->setEnabled(false);
        ui->buttonExaminationSave->setEnabled(true);
        ui->buttonRunVisualization->setEnabled(false);
        LOG("end");
        return;
    }
    const QString dateText = QDateTime::currentDateTime().toString(QString::fromLatin1(dateFormat));
    const QString resultsPath = ui->lineEditOutputDirectory->text() + QDir::separator() + examinationId +
                                QLatin1Char('_') + dateText + QStringLiteral(".csv");
    LOG("outputpath=", resultsPath);
    LOG(movieFinished ? "Examination finished in normal way" : "Examination finished by user");
    controller->setExaminationPaused(true);
    if (ui->checkBoxUseGoProCamera->isChecked())
        gopro->setRecording(false);
    const bool saved = controller->endExamination(true, resultsPath, headerLines(dateText, resultsPath),
                                                  resultsArea(), false, movieFinished ? 0 : 1);
    LOG(saved ? "Results saved" : "Results ignored");
    ui->plainTextEditInterestingPoints->setPlainText(
        RecorderTexts::keypointsList(controller->interestingPoints()));
    ui->buttonExaminationStart->setEnabled(true);
    ui->buttonExaminationAbort->setEnabled(false);
    ui->buttonExaminationSave->setEnabled(true);
    ui->buttonRunVisualization->setEnabled(saved && !controller->lastResultPath().isEmpty());
    LOG("end");
}

void Gazelog::saveExamination()
{
    examinationId = ui->lineEditExaminationId->text();
    const QString folder = ui->lineEditOutputDirectory->text();
    LOG("output directory path=", folder);
    if (!controller || !validateInputData(QString(), folder, false, false))
        return;
    const QString dateText = QDateTime::currentDateTime().toString(QString::fromLatin1(dateFormat));
    const QString resultsPath =
        folder + QLatin1Char('/') + examinationId + QLatin1Char('_') + dateText + QStringLiteral(".csv");
    LOG("outputpath=", resultsPath);
    const bool saved = controller->endExamination(true, resultsPath, headerLines(dateText, resultsPath),
                                                  resultsArea(), true, -1);
    const bool wasEnabled = ui->buttonRunVisualization->isEnabled();
    ui->buttonRunVisualization->setEnabled((wasEnabled || saved) && !controller->lastResultPath().isEmpty());
    LOG("end");
}

void Gazelog::runVisualization()
{
    const QString resultsPath = controller ? controller->lastResultPath() : QString();
    LOG("last examination path = ", resultsPath);
    if (resultsPath.isEmpty()) {
        LOG("No last examination");
        warn(tr("No last examination or last examination was not saved."));
        return;
    }
    const QString moviePath = ui->lineEditMoviePath->text();
    LOG("moviePath= ", moviePath);
    if (!QFileInfo::exists(moviePath)) {
        LOG("Movie doesnt exist");
        warn(tr("Selected movie doesn't exist."));
        return;
    }
    const bool part = ui->radioButtonExaminationLengthPartMovie->isChecked();
    const QString startText = ui->lineEditMoviePartStart->text();
    const QString endText = ui->lineEditMoviePartEnd->text();
    const QString command = PlayerCommands::visualisation(
        playerPath_, moviePath, resultsPath, part ? &startText : nullptr, part ? &endText : nullptr);
    if (!runDetachedCommand(services_.startDetached, command))
        warn(tr("Failed to run player.\nCheck whether file \"Gazeview\" is \nin the same directory as file "
                "\"Gazelog\"."));
}

void Gazelog::runPlayer()
{
    if (!runDetachedCommand(services_.startDetached, PlayerCommands::plain(playerPath_)))
        warn(tr("Failed to run player.\nCheck whether file \"Gazeview\" is \nin the same directory as file "
                "\"Gazelog\" \nand whether all parameters are valid."));
}

// ---- The player's reports ----

bool Gazelog::handlePlayerMessage(quint32 message, quint64 code, qint64 time)
{
    if (message != wmUser)
        return false;
    LOG("WM_USER! lparam = ", time, ", wparam = ", code);
    if (code == codeDuration)
        onDurationChanged(time);
    if (!controller || !controller->isExaminationInProgress())
        return false;
    switch (code) {
    case codeResumed:
    case codePaused:
    case codeFinished:
    case codeInterestingPoint:
    case codeSynchronisation:
        break;
    default:
        LOG("unknown message type!");
        return false;
    }
    slider->setValue(static_cast<int>(time));
    if (!controller->setSynchronizationTime(time)) {
        LOG("time synchronization error!");
        Q_EMIT examinationError(false, true);
        // The examination has just been stopped as failed; nothing of this message applies any more.
        return true;
    }
    if (code == codePaused || code == codeResumed)
        controller->setExaminationPaused(code == codePaused);
    if (code == codeFinished)
        Q_EMIT examinationFinished(true);
    if (code == codeInterestingPoint) {
        LOG("emitting signal addInterestingPoint with value = ", time);
        Q_EMIT addInterestingPoint(time);
        controller->addInterestingPoint(time, 1);
    }
    return true;
}
