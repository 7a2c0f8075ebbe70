#pragma once

#include "recorder/core/ExaminationWorkflow.h"
#include "recorder/core/PlayerLaunch.h"
#include "recorder/trackers/GazePoint.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <filesystem>
#include <functional>
#include <memory>

namespace Ui {
class Gazelog;
}
class EyeTrackerController;
class GoproController;
class OperatorPrompt;
class PupilSettingsBox;
class QMediaPlayer;
class QSliderWithTicks;

// What the main window needs from outside; tests replace each piece.
struct GazelogServices
{
    // Null: message boxes and file dialogs owned by the window.
    OperatorPrompt* prompt = nullptr;
    // Creates the controller of tracker index 0 (EyeTribe) or 1 (EyeX); may answer null
    // when that tracker is not built in.
    std::function<EyeTrackerController*(int trackerIndex, OperatorPrompt& prompt, QObject* parent)>
        makeController;
    // Null: QProcess::startDetached.
    DetachedStarter startDetached;
    // Empty: "Gazeview" beside the running program.
    QString playerPath;
    // The area results are normalised to; null: the primary screen's available geometry.
    std::function<QRect()> workArea;
    // Null: the camera at its default address (or the one in the environment).
    std::function<GoproController*(QObject* parent)> makeGopro;
    // Whether the program is being ended by a signal; null: the signal handler's own flag.
    std::function<bool()> terminating;
    // The recorder's settings file; empty: Gazelog.ini in the settings folder.
    QString settingsFile;
};

// The recorder's main window: tracker settings, the examination workflow and the
// keypoints of the last examination. It receives the player's reports (movie
// duration, time, pause, resume, interesting points, end) through
// handlePlayerMessage(), posted to the window by its title.
class Gazelog : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr quint32 wmUser = 0x0400;
    static constexpr const char* version = "1.3.160625.1";

    explicit Gazelog(const QString& moviePath, GazelogServices services = {}, QWidget* parent = nullptr);
    ~Gazelog() override;

    // A message posted by the player (senderPid 0: sender unknown). Returns true when it was consumed.
    bool handlePlayerMessage(quint32 message, quint64 code, qint64 time, qint64 senderPid = 0);

    QSliderWithTicks* progressSlider() const { return slider; }
    Ui::Gazelog* form() const { return ui.get(); }
    qint64 currentMovieDuration() const { return movieDuration; }
    ExaminationWorkflow* workflow() const { return workflow_; }
    PupilSettingsBox* pupilSettingsBox() const { return pupilSettings_; }
    // Where the recovery file of the examination abandoned last went; empty when none.
    QString recoveryPath() const { return workflow_->recoveryPath(); }
    // Ends a running examination without asking, its samples to a recovery file.
    void abandonExamination();

Q_SIGNALS:
    void addInterestingPoint(qint64 pointTime);
    void examinationFinished(bool movieFinished);
    void examinationError(bool movieFinished, bool error);

public Q_SLOTS:
    void onEyeTrackerChanged(int eyeTrackerIndex);
    void onFpsChanged(int fpsValueIndex);
    void selectedScreenChanged(int screenIndex);
    void onScreenChanged(int screenIndex);
    void onTrackerConnectionChanged(int trackerState);
    void onConnectionStateChanged(bool eyeTrackerConnected);
    void onCalibrationChanged(bool isCalibrated, int calibrationQuality);
    void onFrameRateReported(int framesPerSecond);
    void restartServer();

    void selectMovie(QString selectedMoviePath = QString());
    void selectOutputDirectory();
    void examinationLengthChanged();
    void onDurationChanged(qint64 duration);
    void startExamination();
    void stopExamination(bool movieFinished = false, bool error = false);
    void saveExamination();
    void runVisualization();
    void runPlayer();
    void showAboutDialog();
    void onViewingDistanceChanged(int distanceMm);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ExaminationInputs examinationInputs() const;
    void onWorkflowStateChanged(ExaminationWorkflow::State state);
    void onExaminationEnded(bool saved, bool failed, const QString& resultsPath,
                            const std::vector<GazePoint>& keypoints);
    void connectTracker();
    void fillScreenList();
    void warn(const QString& text);
    void addPupilSettings();

    std::unique_ptr<Ui::Gazelog> ui;
    GoproController* gopro = nullptr;
    QSliderWithTicks* slider = nullptr;
    QPointer<QMediaPlayer> durationProbe;
    qint64 movieDuration = 0;

    ExaminationWorkflow* workflow_ = nullptr;
    int trackerIndex_ = 0;
    int fpsIndex_ = 0;
    PupilSettingsBox* pupilSettings_ = nullptr;
    int pupilSettingsGrowth_ = 0;

    GazelogServices services_;
    std::unique_ptr<OperatorPrompt> ownPrompt_;
    OperatorPrompt* prompt_ = nullptr;
    // Empty when there is no settings folder: the setting then lasts until the program ends.
    std::filesystem::path settingsFile_;
};
