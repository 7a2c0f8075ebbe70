#include "recorder/Gazelog.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/window_bus.h"
#include "recorder/AboutWindow.h"
#include "recorder/CaptionColumn.h"
#include "recorder/GoproControls.h"
#include "recorder/MessageBoxPrompt.h"
#include "recorder/PrimaryScreen.h"
#include "recorder/PupilSettingsBox.h"
#include "recorder/QSliderWithTicks.h"
#include "recorder/TrackerFactory.h"
#include "recorder/core/RecorderSettings.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/core/ResultsHeader.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/PupilSettings.h"
#include "ui_Gazelog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QScreen>
#include <QTabBar>

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
    ExaminationWorkflow::Services workflowServices;
    workflowServices.startDetached = services_.startDetached;
    workflowServices.playerPath =
        services_.playerPath.isEmpty() ? PlayerLaunch::playerExecutable() : services_.playerPath;
    workflowServices.recorderCaption = windowTitle();
    workflowServices.workArea = services_.workArea ? services_.workArea : PrimaryScreen::workArea;
    workflowServices.displayScreen = PrimaryScreen::display;
    if (services_.terminating)
        workflowServices.terminating = services_.terminating;
    workflowServices.makeController = services_.makeController;
    workflow_ = new ExaminationWorkflow(*prompt_, std::move(workflowServices), this);
    workflow_->setGopro(gopro);
    new GoproControls(*ui, *workflow_, *gopro, *prompt_, this);

    // The screen choice and the examination length are not offered to operators.
    ui->labelMonitor->hide();
    ui->comboBoxScreenList->hide();
    ui->groupBoxExaminationLength->hide();
    CaptionColumn::fit({ui->label_15, ui->labelFps, ui->labelViewingDistance, ui->label_13, ui->label_14,
                        ui->labelCalibrationQuality_2});
    CaptionColumn::fit({ui->label_16});

    const QRect progress = ui->labelProgress->geometry();
    slider = new QSliderWithTicks(Qt::Horizontal, ui->tabExamination);
    slider->setGeometry(QRect(QPoint(10, progress.top() + 20), QPoint(390, progress.top() + 42)));
    slider->setRange(0, 100);
    slider->setValue(0);
    slider->setEnabled(false);
    slider->setTickPosition(QSlider::TicksAbove);

    fillScreenList();

    settingsFile_ = services_.settingsFile.isEmpty()
                        ? RecorderSettings::defaultFile().value_or(std::filesystem::path())
                        : std::filesystem::path(services_.settingsFile.toStdString());
    const int distance = RecorderSettings::readViewingDistanceMm(settingsFile_);
    LOG("viewing distance: ", distance, " mm");
    ui->spinBoxViewingDistance->setRange(RecorderSettings::minViewingDistanceMm,
                                         RecorderSettings::maxViewingDistanceMm);
    ui->spinBoxViewingDistance->setValue(distance);
    workflow_->setViewingDistanceMm(distance);

    connectTracker();
    connect(ui->buttonRestartServer, &QPushButton::clicked, this, &Gazelog::restartServer);
    connect(ui->comboBoxScreenList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::selectedScreenChanged);
    connect(ui->comboBoxFps, qOverload<int>(&QComboBox::currentIndexChanged), this, &Gazelog::onFpsChanged);
    connect(ui->comboBoxEyeTracker, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Gazelog::onEyeTrackerChanged);
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
    connect(workflow_, &ExaminationWorkflow::durationReported, this, &Gazelog::onDurationChanged);
    connect(workflow_, &ExaminationWorkflow::movieTimeReported, slider,
            [this](qint64 time) { slider->setValue(static_cast<int>(time)); });
    connect(workflow_, &ExaminationWorkflow::interestingPointAdded, this, &Gazelog::addInterestingPoint);
    connect(workflow_, &ExaminationWorkflow::examinedPartChosen, this, [this](qint64 start, qint64 end) {
        slider->showPart(start, end, end > start || movieDuration != 0);
    });
    connect(workflow_, &ExaminationWorkflow::resultsSaved, this, [this](bool saved, const QString& results) {
        const bool wasEnabled = ui->buttonRunVisualization->isEnabled();
        ui->buttonRunVisualization->setEnabled((wasEnabled || saved) && !results.isEmpty());
    });
    connect(workflow_, &ExaminationWorkflow::closeRequested, this, &QWidget::close);
    connect(ui->menuAbout, &QMenu::aboutToShow, this, &Gazelog::showAboutDialog);

    addPupilSettings();
    {
        const QSignalBlocker block(ui->comboBoxEyeTracker);
        ui->comboBoxEyeTracker->setCurrentIndex(0);
        onEyeTrackerChanged(0);
    }
    workflow_->tracker().announce();

    if (!workflow_->playerFound())
        warn(tr("Player not found - performing examination and running visualisation will not be possible.\n"
                "Check whether file \"Gazeview\" is in the same directory as file \"Gazelog\"."));
    workflow_->listenForPlayer();
    if (!moviePath.isEmpty())
        selectMovie(moviePath);
    LOG("end");
}

Gazelog::~Gazelog()
{
    LOG("start");
    // Closed without a close event (the program is ending): the samples must not go with it.
    abandonExamination();
    workflow_->tracker().make(-1);
    LOG("end");
}

void Gazelog::warn(const QString& text)
{
    prompt_->warning(tr("Error"), text);
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

void Gazelog::onEyeTrackerChanged(int eyeTrackerIndex)
{
    LOG("eyeTrackerIndex: ", eyeTrackerIndex);
    if (!workflow_->mayInterruptExamination(tr("Changing the tracker"))) {
        const QSignalBlocker block(ui->comboBoxEyeTracker);
        ui->comboBoxEyeTracker->setCurrentIndex(trackerIndex_);
        LOG("end");
        return;
    }
    trackerIndex_ = eyeTrackerIndex;
    workflow_->tracker().make(eyeTrackerIndex);
    const bool eyeTribe = eyeTrackerIndex == 0;
    // Pupil Capture calibrates on request and samples at the headset's own rate.
    const bool pupil = eyeTrackerIndex == pupilTrackerIndex;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui->labelCalibrationQuality, ui->labelCalibrationQuality_2, ui->buttonCalibrate})
        widget->setEnabled(eyeTribe || pupil);
    for (QWidget* widget : std::initializer_list<QWidget*>{ui->labelFps, ui->comboBoxFps})
        widget->setEnabled(eyeTribe);
    // The window makes room for Pupil Core's settings only while it is the tracker.
    if (pupilSettings_->isVisibleTo(this) != pupil) {
        const int growth = pupil ? pupilSettingsGrowth_ : -pupilSettingsGrowth_;
        ui->tabWidget->resize(ui->tabWidget->width(), ui->tabWidget->height() + growth);
        setFixedSize(width(), height() + growth);
        pupilSettings_->setVisible(pupil);
    }
    workflow_->tracker().announce();
    LOG("end");
}

void Gazelog::addPupilSettings()
{
    pupilSettings_ = new PupilSettingsBox(ui->tabCalibration);
    pupilSettings_->setSettings(PupilSettings::load(settingsFile_));
    // Below the camera's buttons.
    const int top = ui->buttonGoProMovies->geometry().bottom() + 10;
    const int boxHeight = pupilSettings_->sizeHint().height();
    pupilSettings_->setGeometry(10, top, 410, boxHeight);
    // The tab's own size is only known once shown; the tab bar's height is known now.
    const int tabHeight = ui->tabWidget->height() - ui->tabWidget->tabBar()->sizeHint().height() - 4;
    pupilSettingsGrowth_ = std::max(0, top + boxHeight + 8 - tabHeight);
    pupilSettings_->hide();
    connect(pupilSettings_, &PupilSettingsBox::settingsChanged, this, [this](const PupilSettings& settings) {
        if (!settings.save(settingsFile_))
            LOG("Pupil settings not saved - they hold for this run only");
        workflow_->tracker().applyPupilSettings(settings);
    });
}

void Gazelog::connectTracker()
{
    TrackerLink* tracker = &workflow_->tracker();
    connect(ui->buttonCalibrate, &QPushButton::clicked, tracker, &TrackerLink::runCalibration);
    connect(tracker, &TrackerLink::connectionStateChanged, this, &Gazelog::onConnectionStateChanged);
    connect(tracker, &TrackerLink::trackerStateChanged, this, &Gazelog::onTrackerConnectionChanged);
    connect(tracker, &TrackerLink::calibrationChanged, this, &Gazelog::onCalibrationChanged);
    connect(tracker, &TrackerLink::screenChanged, this, &Gazelog::onScreenChanged);
    connect(tracker, &TrackerLink::frameRateReported, this, &Gazelog::onFrameRateReported);
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

void Gazelog::onFrameRateReported(int framesPerSecond)
{
    LOG("server frame rate: ", framesPerSecond);
    const QString rate = QString::number(framesPerSecond);
    const QSignalBlocker block(ui->comboBoxFps);
    // A rate the list does not offer is shown as it is: the server samples at it.
    if (ui->comboBoxFps->findText(rate) < 0)
        ui->comboBoxFps->addItem(rate);
    ui->comboBoxFps->setCurrentText(rate);
    fpsIndex_ = ui->comboBoxFps->currentIndex();
}

void Gazelog::restartServer()
{
    LOG("start");
    if (!workflow_->mayInterruptExamination(tr("Restarting the tracker server")))
        return;
    workflow_->tracker().connectToServer(true);
    LOG("end");
}

void Gazelog::onFpsChanged(int fpsValueIndex)
{
    LOG("Fps changed to: ", ui->comboBoxFps->currentText());
    // The new frequency needs a server restart, which ends a running examination.
    if (!workflow_->mayInterruptExamination(tr("Changing the frequency"))) {
        const QSignalBlocker block(ui->comboBoxFps);
        ui->comboBoxFps->setCurrentIndex(fpsIndex_);
        return;
    }
    fpsIndex_ = fpsValueIndex;
    workflow_->tracker().setFrameRate(ui->comboBoxFps->currentText().toInt());
    workflow_->tracker().connectToServer(true);
    LOG("end");
}

void Gazelog::abandonExamination()
{
    workflow_->abandonExamination(examinationInputs());
}

void Gazelog::closeEvent(QCloseEvent* event)
{
    LOG("start");
    if (!workflow_->mayClose(examinationInputs())) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    LOG("end");
}

void Gazelog::selectedScreenChanged(int screenIndex)
{
    LOG("changing screen to = ", screenIndex);
    workflow_->tracker().setScreen(screenIndex);
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
    if (!settingsFile_.empty())
        RecorderSettings::writeViewingDistanceMm(settingsFile_, distanceMm);
}

void Gazelog::showAboutDialog()
{
    auto* about = new AboutWindow(this, QString::fromLatin1(version));
    about->show();
}

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
    connect(durationProbe, &QMediaPlayer::durationChanged, this, &Gazelog::onDurationChanged);

    ui->lineEditOutputDirectory->setText(ResultsHeader::folderFor(selectedMoviePath));
    LOG("end");
}

void Gazelog::selectOutputDirectory()
{
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
}

void Gazelog::onDurationChanged(qint64 duration)
{
    LOG("duration: ", duration);
    ui->lineEditMoviePartEnd->setText(QString::number(duration));
    movieDuration = duration;
    workflow_->setMovieDuration(duration);
    slider->showRange(0, movieDuration);
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

void Gazelog::startExamination()
{
    workflow_->startExamination(examinationInputs());
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

void Gazelog::onExaminationEnded(bool saved, bool failed, const QString& resultsPath,
                                 const std::vector<GazePoint>& keypoints)
{
    LOG("saved: ", saved, ", failed: ", failed);
    if (failed)
        ui->plainTextEditInterestingPoints->clear();
    else
        ui->plainTextEditInterestingPoints->setPlainText(RecorderTexts::keypointsList(keypoints));
    ui->buttonExaminationSave->setEnabled(true);
    ui->buttonRunVisualization->setEnabled(!failed && saved && !resultsPath.isEmpty());
    LOG("end");
}

void Gazelog::stopExamination(bool movieFinished, bool error)
{
    workflow_->stopExamination(movieFinished, error);
}

void Gazelog::saveExamination()
{
    workflow_->saveExamination(examinationInputs());
}

void Gazelog::runVisualization()
{
    workflow_->showResults(examinationInputs());
}

void Gazelog::runPlayer()
{
    workflow_->runPlayer();
}

bool Gazelog::handlePlayerMessage(quint32 message, quint64 code, qint64 time, qint64 senderPid)
{
    platform::WindowMessage report{message, code, time};
    report.senderPid = senderPid;
    return workflow_->handlePlayerMessage(report);
}
