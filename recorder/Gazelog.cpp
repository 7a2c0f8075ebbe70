#include "recorder/Gazelog.h"

#include "common/AppDataFolder.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/quit_signals.h"
#include "platform/window_bus.h"
#include "recorder/AboutWindow.h"
#include "recorder/MessageBoxPrompt.h"
#include "recorder/PupilSettingsBox.h"
#include "recorder/QSliderWithTicks.h"
#include "recorder/RecorderSettings.h"
#include "recorder/RecorderTexts.h"
#include "recorder/TrackerFactory.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/PupilController.h"
#include "ui_Gazelog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QScreen>
#include <QTabBar>
#include <cmath>

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
    ExaminationWorkflow::Services workflowServices;
    workflowServices.startDetached = services_.startDetached;
    workflowServices.playerPath = playerPath_;
    workflowServices.recorderCaption = windowTitle();
    workflowServices.workArea = [this] { return resultsArea(); };
    workflowServices.displayScreen = primaryDisplay;
    if (services_.terminating)
        workflowServices.terminating = services_.terminating;
    // After the results folder: the settings folder, then the private runtime folder.
    workflowServices.recoveryFolders = [] {
        QStringList folders;
        if (const auto settings = appDataFolder())
            folders << QString::fromStdString(settings->string());
        if (const auto bus = platform::windowBusFolder(); bus.path)
            folders << QString::fromStdString(bus.path->parent_path().string());
        return folders;
    };
    workflow_ = new ExaminationWorkflow(*prompt_, std::move(workflowServices), this);
    workflow_->setGopro(gopro);

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

    settingsFile_ = services_.settingsFile;
    if (settingsFile_.isEmpty())
        if (const auto file = RecorderSettings::defaultFile())
            settingsFile_ = QString::fromStdString(file->string());
    const int distance = settingsFile_.isEmpty()
                             ? RecorderSettings::defaultViewingDistanceMm
                             : RecorderSettings::readViewingDistanceMm(settingsFile_.toStdString());
    LOG("viewing distance: ", distance, " mm");
    ui->spinBoxViewingDistance->setRange(RecorderSettings::minViewingDistanceMm,
                                         RecorderSettings::maxViewingDistanceMm);
    ui->spinBoxViewingDistance->setValue(distance);
    workflow_->setViewingDistanceMm(distance);

    connect(ui->buttonRestartServer, &QPushButton::clicked, this, &Gazelog::restartServer);
    connect(ui->comboBoxScreenList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::selectedScreenChanged);
    connect(ui->comboBoxFps, qOverload<int>(&QComboBox::currentIndexChanged), this, &Gazelog::onFpsChanged);
    connect(ui->comboBoxEyeTracker, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::onEyeTrackerChanged);
    connect(ui->buttonGoProPreview, &QPushButton::clicked, this, &Gazelog::showGoproPreview);
    connect(ui->buttonGoProMovies, &QPushButton::clicked, this, &Gazelog::showGoproMovies);
    connect(ui->checkBoxUseGoProCamera, &QCheckBox::stateChanged, this, &Gazelog::onUseGoproStateChanged);
    connect(ui->spinBoxViewingDistance, qOverload<int>(&QSpinBox::valueChanged), this,
            &Gazelog::onViewingDistanceChanged);
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
    connect(workflow_, &ExaminationWorkflow::stateChanged, this, &Gazelog::onWorkflowStateChanged);
    connect(workflow_, &ExaminationWorkflow::examinationEnded, this, &Gazelog::onExaminationEnded);
    connect(workflow_, &ExaminationWorkflow::cameraSilent, this, &Gazelog::onCameraSilent);
    connect(workflow_, &ExaminationWorkflow::durationReported, this, &Gazelog::onDurationChanged);
    connect(workflow_, &ExaminationWorkflow::movieTimeReported, slider,
            [this](qint64 time) { slider->setValue(static_cast<int>(time)); });
    connect(workflow_, &ExaminationWorkflow::interestingPointAdded, this, &Gazelog::addInterestingPoint);
    connect(workflow_, &ExaminationWorkflow::examinedPartChosen, this, [this](qint64 start, qint64 end) {
        if (end > start || movieDuration != 0) {
            setSliderRange(start, end);
        } else {
            slider->setRange(0, 0);
            slider->setTickPosition(QSlider::NoTicks);
        }
        slider->clearTicks();
    });
    connect(workflow_, &ExaminationWorkflow::resultsSaved, this, [this](bool saved) {
        const bool wasEnabled = ui->buttonRunVisualization->isEnabled();
        ui->buttonRunVisualization->setEnabled((wasEnabled || saved) && controller &&
                                               !controller->lastResultPath().isEmpty());
    });
    connect(ui->menuAbout, &QMenu::aboutToShow, this, &Gazelog::showAboutDialog);

    addPupilSettings();
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
    // Closed without a close event (the program is ending): the samples must not go with it.
    abandonExamination();
    workflow_->setController(nullptr);
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
        return handlePlayerMessage(message.identifier, message.wParam, message.lParam, message.senderPid);
    });
    connect(playerReports, &platform::WindowMessageReceiver::closeRequested, this, &QWidget::close);
    connect(playerReports, &platform::WindowMessageReceiver::messageDropped, this,
            [](const QString& reason) { LOG("message dropped: ", reason); });
    if (playerReports->registerWindow(windowTitle()))
        return;
    LOG("WindowMessageReceiver::registerWindow failed: the player cannot report, ",
        playerReports->errorString());
    workflow_->setLinkProblem(playerReports->errorString());
    warn(
        tr("The player cannot report to this window:\n%1\nExaminations cannot be started; running the player "
           "and visualisations still works.")
            .arg(playerReports->errorString()));
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
    if (controller && !mayInterruptExamination(tr("Changing the tracker"))) {
        const QSignalBlocker block(ui->comboBoxEyeTracker);
        ui->comboBoxEyeTracker->setCurrentIndex(trackerIndex_);
        LOG("end");
        return;
    }
    trackerIndex_ = eyeTrackerIndex;
    workflow_->setController(nullptr);
    delete controller;
    controller =
        services_.makeController ? services_.makeController(eyeTrackerIndex, *prompt_, this) : nullptr;
    const bool eyeTribe = eyeTrackerIndex == 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(ui->labelCalibrationQuality),
          static_cast<QWidget*>(ui->labelCalibrationQuality_2), static_cast<QWidget*>(ui->labelFps),
          static_cast<QWidget*>(ui->comboBoxFps), static_cast<QWidget*>(ui->buttonCalibrate)})
        widget->setEnabled(eyeTribe);
    // Pupil Capture calibrates on request and samples at the headset's own rate.
    const bool pupil = eyeTrackerIndex == pupilTrackerIndex;
    for (QWidget* widget :
         {static_cast<QWidget*>(ui->labelCalibrationQuality),
          static_cast<QWidget*>(ui->labelCalibrationQuality_2), static_cast<QWidget*>(ui->buttonCalibrate)})
        widget->setEnabled(widget->isEnabled() || pupil);
    // The window makes room for Pupil Core's settings only while it is the tracker.
    if (pupilSettings_->isVisibleTo(this) != pupil) {
        const int growth = pupil ? pupilSettingsGrowth_ : -pupilSettingsGrowth_;
        ui->tabWidget->resize(ui->tabWidget->width(), ui->tabWidget->height() + growth);
        setFixedSize(width(), height() + growth);
        pupilSettings_->setVisible(pupil);
    }
    workflow_->setController(controller);
    connectController();
    announceInstallation("eyetracker installed - emit initial signals",
                         "eyetracker not installed - don't emit initial signals");
    LOG("end");
}

void Gazelog::addPupilSettings()
{
    pupilSettings_ = new PupilSettingsBox(ui->tabCalibration);
    pupilSettings_->setSettings(PupilSettings::load(PupilSettings::defaultFile()));
    // Below the camera's buttons.
    const int top = ui->buttonGoProMovies->geometry().bottom() + 10;
    const int boxHeight = pupilSettings_->sizeHint().height();
    pupilSettings_->setGeometry(10, top, 410, boxHeight);
    // The tab's own size is only known once shown; the tab bar's height is known now.
    const int tabHeight = ui->tabWidget->height() - ui->tabWidget->tabBar()->sizeHint().height() - 4;
    pupilSettingsGrowth_ = std::max(0, top + boxHeight + 8 - tabHeight);
    pupilSettings_->hide();
    connect(pupilSettings_, &PupilSettingsBox::settingsChanged, this, [this](const PupilSettings& settings) {
        if (!settings.save(PupilSettings::defaultFile()))
            LOG("Pupil settings not saved - they hold for this run only");
        if (auto* pupil = qobject_cast<PupilController*>(controller))
            pupil->applySettings(settings);
    });
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
    LOG("start");
    if (!mayInterruptExamination(tr("Restarting the tracker server")))
        return;
    Q_EMIT requestConnectToServer(true);
    LOG("end");
}

void Gazelog::onFpsChanged(int fpsValueIndex)
{
    LOG("Fps changed to: ", ui->comboBoxFps->currentText());
    // The new frequency needs a server restart, which ends a running examination.
    if (!mayInterruptExamination(tr("Changing the frequency"))) {
        const QSignalBlocker block(ui->comboBoxFps);
        ui->comboBoxFps->setCurrentIndex(fpsIndex_);
        return;
    }
    fpsIndex_ = fpsValueIndex;
    if (controller)
        controller->setFps(ui->comboBoxFps->currentText().toInt());
    Q_EMIT requestConnectToServer(true);
    LOG("end");
}

bool Gazelog::mayInterruptExamination(const QString& what)
{
    if (!workflow_->isExaminationRunning())
        return true;
    if (workflow_->state() != ExaminationWorkflow::State::Running) {
        LOG("examination starting or stopping - refused: ", what);
        return false;
    }
    if (!prompt_->question(tr("Examination in progress"),
                           tr("%1 ends the running examination.\nStop the examination now?").arg(what))) {
        LOG("operator keeps the examination running - refused: ", what);
        return false;
    }
    stopExamination();
    return !workflow_->isExaminationRunning();
}

void Gazelog::abandonExamination()
{
    if (!workflow_->isExaminationRunning())
        return;
    recoveryPath_ = workflow_->abandonExamination(examinationInputs());
    LOG(recoveryPath_.isEmpty() ? "no recovery file written" : "recovery file written");
}

void Gazelog::closeEvent(QCloseEvent* event)
{
    LOG("start");
    const bool terminating =
        services_.terminating ? services_.terminating() : platform::terminationRequested();
    if (workflow_->isExaminationRunning() && !terminating) {
        if (workflow_->state() != ExaminationWorkflow::State::Running ||
            !prompt_->question(
                tr("Examination in progress"),
                tr("An examination is running.\nClose the program? The samples recorded so far "
                   "are saved to a recovery file in the results folder."))) {
            LOG("close refused - examination running");
            event->ignore();
            return;
        }
    }
    abandonExamination();
    QMainWindow::closeEvent(event);
    LOG("end");
}

void Gazelog::selectedScreenChanged(int screenIndex)
{
    LOG("changing screen to = ", screenIndex);
    if (controller)
        controller->setScreen(screenIndex);
}

void Gazelog::onScreenChanged(int screenIndex)
{
    LOG("screenIndex: ", screenIndex);
    const QSignalBlocker block(ui->comboBoxScreenList);
    const bool inRange = screenIndex >= 0 && screenIndex < ui->comboBoxScreenList->count();
    ui->comboBoxScreenList->setCurrentIndex(inRange ? screenIndex : 0);
}

void Gazelog::onViewingDistanceChanged(int distanceMm)
{
    LOG("viewing distance: ", distanceMm, " mm");
    workflow_->setViewingDistanceMm(distanceMm);
    if (!settingsFile_.isEmpty())
        RecorderSettings::writeViewingDistanceMm(settingsFile_.toStdString(), distanceMm);
}

std::optional<TrackerScreen> Gazelog::primaryDisplay()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const TrackerScreen display{screen->geometry().width(), screen->geometry().height(),
                                static_cast<int>(std::lround(screen->physicalSize().width())),
                                static_cast<int>(std::lround(screen->physicalSize().height()))};
    if (!display.isComplete())
        return std::nullopt;
    return display;
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
        if (gopro->lastRequestTimedOut()) {
            onCameraSilent();
            return;
        }
        warn(tr("Failed to configure GoPro camera! \nRequired version is at least GoPro Hero 3."));
        return;
    }
    setGoproButtonsEnabled(true);
}

void Gazelog::onCameraSilent()
{
    LOG("Error - Gopro camera does not answer");
    const QSignalBlocker block(ui->checkBoxUseGoProCamera);
    ui->checkBoxUseGoProCamera->setChecked(false);
    setGoproButtonsEnabled(false);
    warn(tr(
        "The GoPro camera does not answer, so it is not used.\nCheck wifi connection and GoPro camera, then "
        "tick the box again."));
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
    LOG("start");
    const QString folder = prompt_->chooseFolder(tr("Select folder for results"), QDir::homePath());
    LOG("Selected out dir: ", folder);
    if (!folder.isEmpty())
        ui->lineEditOutputDirectory->setText(folder);
    LOG("end");
}

void Gazelog::examinationLengthChanged()
{
    const bool part = ui->radioButtonExaminationLengthPartMovie->isChecked();
    LOG("part of movie: ", part);
    ui->lineEditMoviePartStart->setEnabled(part);
    ui->lineEditMoviePartEnd->setEnabled(part);
    LOG("end");
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
    workflow_->setMovieDuration(duration);
    setSliderRange(0, movieDuration);
    LOG("examination length: ", examinationLength);
    LOG("end");
}

ExaminationInputs Gazelog::examinationInputs() const
{
    ExaminationInputs inputs;
    inputs.moviePath = ui->lineEditMoviePath->text();
    inputs.outputFolder = ui->lineEditOutputDirectory->text();
    inputs.examinationId = ui->lineEditExaminationId->text();
    inputs.partOfMovie = ui->radioButtonExaminationLengthPartMovie->isChecked();
    inputs.partStartText = ui->lineEditMoviePartStart->text();
    inputs.partEndText = ui->lineEditMoviePartEnd->text();
    inputs.useGopro = ui->checkBoxUseGoProCamera->isChecked();
    return inputs;
}

bool Gazelog::validateInputData(const QString& moviePath, const QString& outputPath, bool checkMovie,
                                bool checkTracker)
{
    ExaminationInputs inputs = examinationInputs();
    inputs.moviePath = moviePath;
    inputs.outputFolder = outputPath;
    inputs.examinationId = examinationId;
    return workflow_->validateInputData(inputs, checkMovie, checkTracker);
}

void Gazelog::startExamination()
{
    LOG("start");
    examinationId = ui->lineEditExaminationId->text();
    if (workflow_->startExamination(examinationInputs()))
        examinationLength = ui->radioButtonExaminationLengthPartMovie->isChecked()
                                ? ui->lineEditMoviePartEnd->text().toLongLong() -
                                      ui->lineEditMoviePartStart->text().toLongLong()
                                : movieDuration;
    LOG("end");
}

void Gazelog::onWorkflowStateChanged(ExaminationWorkflow::State state)
{
    LOG("state: ", static_cast<int>(state));
    // While the camera answers a start or a stop, neither can be asked for again.
    const bool idle = state == ExaminationWorkflow::State::Idle;
    ui->buttonExaminationStart->setEnabled(idle);
    ui->buttonExaminationAbort->setEnabled(state == ExaminationWorkflow::State::Running);
    if (state == ExaminationWorkflow::State::Running) {
        ui->buttonExaminationSave->setEnabled(false);
        ui->buttonRunVisualization->setEnabled(false);
    }
}

void Gazelog::onExaminationEnded(bool saved, bool failed)
{
    LOG("saved: ", saved, ", failed: ", failed);
    if (failed)
        ui->plainTextEditInterestingPoints->clear();
    else if (controller)
        ui->plainTextEditInterestingPoints->setPlainText(
            RecorderTexts::keypointsList(controller->interestingPoints()));
    ui->buttonExaminationSave->setEnabled(true);
    ui->buttonRunVisualization->setEnabled(!failed && saved && controller &&
                                           !controller->lastResultPath().isEmpty());
    LOG("end");
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
    workflow_->stopExamination(movieFinished, error);
    LOG("end");
}

void Gazelog::saveExamination()
{
    LOG("start");
    examinationId = ui->lineEditExaminationId->text();
    workflow_->saveExamination(examinationInputs());
    LOG("end");
}

void Gazelog::runVisualization()
{
    LOG("start");
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
    const QStringList command = PlayerCommands::visualisation(
        playerPath_, moviePath, resultsPath, part ? &startText : nullptr, part ? &endText : nullptr);
    if (!runDetachedCommand(services_.startDetached, command))
        warn(tr("Failed to run player.\nCheck whether file \"Gazeview\" is \nin the same directory as file "
                "\"Gazelog\"."));
    LOG("end");
}

void Gazelog::runPlayer()
{
    LOG("start");
    if (!runDetachedCommand(services_.startDetached, PlayerCommands::plain(playerPath_)))
        warn(tr("Failed to run player.\nCheck whether file \"Gazeview\" is \nin the same directory as file "
                "\"Gazelog\" \nand whether all parameters are valid."));
    LOG("end");
}

// ---- The player's reports ----

bool Gazelog::handlePlayerMessage(quint32 message, quint64 code, qint64 time, qint64 senderPid)
{
    platform::WindowMessage report{message, code, time};
    report.senderPid = senderPid;
    return workflow_->handlePlayerMessage(report);
}
