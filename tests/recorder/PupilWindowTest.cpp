#include "TestEnvironment.h"
#include "mocks/CalibratingPupilStandIn.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "recorder/Gazelog.h"
#include "recorder/PupilSettingsBox.h"
#include "recorder/TrackerFactory.h"
#include "recorder/core/RecorderSettings.h"
#include "ui_Gazelog.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

GazelogServices pupilServices(FakePrompt& prompt)
{
    GazelogServices services;
    services.prompt = &prompt;
    services.makeController = [](int index, OperatorPrompt& p, QObject* parent) -> EyeTrackerController* {
        if (index == pupilTrackerIndex)
            return makeTrackerController(index, p, parent);
        return new FakeTrackerController(p, parent);
    };
    services.startDetached = [](const QString&, const QStringList&, qint64*) { return true; };
    services.playerPath = QStringLiteral("/bin/true");
    return services;
}

} // namespace

TEST(PupilWindow, CalibrationOutcomeAndConnectionReachTheSettingsTab)
{
    for (const bool succeeds : {true, false}) {
        //! [GIVEN] Pupil Capture's stand-in, and the recorder pointed at it through the environment
        std::unique_ptr<sim::PupilCaptureStandIn> standIn;
        ASSERT_TRUE(startCalibratingPupilStandIn(standIn, succeeds));
        testing_support::ScopedEnv env;
        env.set("GAZELOG_PUPIL_ADDRESS", "127.0.0.1:" + std::to_string(standIn->remotePort()));
        FakePrompt prompt;
        Gazelog window(QString(), pupilServices(prompt));
        Ui::Gazelog* ui = window.form();
        const QSize plain = window.size();

        //! [WHEN] the operator picks Pupil Core
        ui->comboBoxEyeTracker->setCurrentIndex(pupilTrackerIndex);

        //! [THEN] its settings show, the link comes up, and calibration is offered
        EXPECT_EQ(ui->comboBoxEyeTracker->currentText(), "Pupil Core");
        EXPECT_TRUE(window.pupilSettingsBox()->isVisibleTo(&window));
        EXPECT_GT(window.height(), plain.height());
        EXPECT_TRUE(window.pupilSettingsBox()->addressEdit()->isReadOnly()) << "set by the environment";
        EXPECT_TRUE(ui->buttonCalibrate->isEnabled());
        EXPECT_FALSE(ui->comboBoxFps->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ui->labelConnected->text() == "Yes"; }, 5000));
        EXPECT_EQ(ui->labelConnectionStatus->text(), "Pupil Capture connected");

        //! [WHEN] the operator calibrates
        ui->buttonCalibrate->click();
        //! [THEN] the outcome Pupil Capture publishes is shown
        const QString outcome = succeeds ? "Pupil: calibrated" : "Pupil: calibration failed";
        EXPECT_TRUE(QTest::qWaitFor([&] { return ui->labelCalibrationQuality->text() == outcome; }, 5000))
            << ui->labelCalibrationQuality->text().toStdString();
        EXPECT_EQ(standIn->calibrationsStarted(), 1);

        ui->comboBoxEyeTracker->setCurrentIndex(0);
        EXPECT_EQ(window.size(), plain);
        EXPECT_FALSE(window.pupilSettingsBox()->isVisibleTo(&window));
    }
}

TEST(PupilWindow, SettingsEditsAreKeptInTheSettingsFileAndUnreachableCaptureIsShown)
{
    testing_support::ScopedEnv env;
    env.set("GAZELOG_PUPIL_ADDRESS", std::nullopt);
    FakePrompt prompt;
    Gazelog window(QString(), pupilServices(prompt));
    Ui::Gazelog* ui = window.form();
    ui->comboBoxEyeTracker->setCurrentIndex(pupilTrackerIndex);
    PupilSettingsBox* box = window.pupilSettingsBox();
    EXPECT_EQ(box->addressEdit()->text(), "127.0.0.1:50020");
    EXPECT_EQ(box->surfaceEdit()->text(), "screen");
    EXPECT_DOUBLE_EQ(box->confidenceBox()->value(), 0.6);

    // An address that cannot be used is not taken; a good one is, and kept.
    box->addressEdit()->setText(QStringLiteral("127.0.0.1:0"));
    Q_EMIT box->addressEdit()->editingFinished();
    EXPECT_EQ(box->addressEdit()->text(), "127.0.0.1:50020");
    // A port nothing answers on: a stand-in's, given up.
    unsigned short port = 0;
    {
        sim::PupilOptions options;
        options.remotePort = 0;
        sim::PupilCaptureStandIn gone(options);
        std::string error;
        ASSERT_TRUE(gone.start(error)) << error;
        port = gone.remotePort();
    }
    box->addressEdit()->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    Q_EMIT box->addressEdit()->editingFinished();
    box->surfaceEdit()->setText(QStringLiteral("wall"));
    Q_EMIT box->surfaceEdit()->editingFinished();
    const PupilSettings saved =
        PupilSettings::load(RecorderSettings::defaultFile().value_or(std::filesystem::path()));
    EXPECT_EQ(saved.address, QStringLiteral("127.0.0.1:%1").arg(port));
    EXPECT_EQ(saved.surface, "wall");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ui->labelConnectionStatus->text() == "Pupil: nothing answers"; }, 10000))
        << ui->labelConnectionStatus->text().toStdString();
}
