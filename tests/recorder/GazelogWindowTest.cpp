#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "recorder/AboutWindow.h"
#include "recorder/Gazelog.h"
#include "recorder/GazelogStartup.h"
#include "recorder/QSliderWithTicks.h"
#include "recorder/core/RecorderTexts.h"
#include "ui_Gazelog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

GazelogServices fakeServices(FakePrompt& prompt)
{
    GazelogServices services;
    services.prompt = &prompt;
    services.makeController = [](int, OperatorPrompt& p, QObject* parent) {
        return new FakeTrackerController(p, parent);
    };
    services.startDetached = [](const QString&, const QStringList&, qint64*) { return true; };
    services.playerPath = QStringLiteral("/bin/true");
    return services;
}

QString text(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    return {};
}

// Every caption on the tab (a label ending in ':') is drawn whole and apart from the
// widgets beside it on its row; the failures, one a line.
std::string crampedCaptions(QWidget* tab)
{
    std::string failures;
    const auto widgets = tab->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QLabel* label : tab->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden() || !label->text().endsWith(':'))
            continue;
        const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
        const std::string name = label->text().toStdString();
        if (textWidth > label->width())
            failures += name + " is cut: " + std::to_string(textWidth) + " px in " +
                        std::to_string(label->width()) + " px\n";
        for (const QWidget* beside : widgets) {
            const bool sameRow = beside->geometry().top() < label->geometry().bottom() &&
                                 beside->geometry().bottom() > label->geometry().top();
            if (beside != label && !beside->isHidden() && sameRow && beside->x() > label->x() &&
                beside->x() < label->x() + textWidth + label->fontMetrics().averageCharWidth())
                failures += name + " runs into " + beside->objectName().toStdString() + "\n";
        }
    }
    return failures;
}

} // namespace

TEST(GazelogWindow, FormHasEveryWidgetWithItsTextAndState)
{
    FakePrompt prompt;
    Gazelog window(QString(), fakeServices(prompt));

    EXPECT_EQ(window.windowTitle(), "Orvalis Reelscan Gazelog");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.size(), QSize(442, 441));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    auto* tabs = window.findChild<QTabWidget*>("tabWidget");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Calibration");
    EXPECT_EQ(tabs->tabText(1), "Examination");
    EXPECT_EQ(tabs->tabText(2), "Keypoints");
    EXPECT_EQ(tabs->currentIndex(), 0);

    struct Expected
    {
        const char* name;
        const char* text;
        bool enabled;
    };
    const Expected widgets[] = {
        {"labelCalibrationQuality_2", "Calibration quality:", true},
        {"labelCalibrationQuality", "Not calibrated", true},
        {"buttonCalibrate", "Calibration", true},
        {"label_13", "Eye Tracker state:", true},
        {"labelConnectionStatus", "No connection", true},
        {"label_14", "Eye Tracker Server is running:", true},
        {"labelConnected", "No", true},
        {"buttonRestartServer", "Restart server", true},
        {"labelFps", "Eye Tracker frequency:", true},
        {"label_15", "Eye Tracker:", true},
        {"checkBoxUseGoProCamera", "Record examination using GoPro camera", true},
        {"buttonGoProPreview", "GoPro preview", false},
        {"buttonGoProMovies", "GoPro movies", false},
        {"label_16", "GoPro password (default: lensmatic):", true},
        {"lineEditGoProPassword", "lensmatic", true},
        {"buttonSelectMoviePath", "Select movie", true},
        {"label_2", "Examined movie:", true},
        {"buttonSelectOutputDirectory", "Select folder", true},
        {"label_3", "Folder for results:", true},
        {"buttonExaminationStart", "Start examination", true},
        {"buttonExaminationSave", "Save results", false},
        {"label_4", "Examination state:", true},
        {"labelProgress", "Progres:", true},
        {"radioButtonExaminationLengthFullMovie", "Entire movie", true},
        {"radioButtonExaminationLengthPartMovie", "Part of movie (specify beginning and end in ms)", true},
        {"lineEditMoviePartStart", "0", false},
        {"label_6", ":", true},
        {"lineEditMoviePartEnd", "", false},
        {"label_5", "Examined person id (eg name):", true},
        {"lineEditExaminationId", "", true},
        {"buttonRunVisualization", "Run last results visualisation", false},
        {"buttonRunPlayer", "Run player", true},
        {"buttonExaminationAbort", "Stop examination", false},
        {"label_8", "Keypoints list:", true},
        {"labelViewingDistance", "Viewing distance:", true},
    };
    for (const Expected& e : widgets) {
        auto* widget = window.findChild<QWidget*>(e.name);
        ASSERT_NE(widget, nullptr) << e.name;
        EXPECT_EQ(text(widget), e.text) << e.name;
        EXPECT_EQ(!widget->testAttribute(Qt::WA_ForceDisabled), e.enabled)
            << e.name; // its own state, whatever its group
    }

    Ui::Gazelog* ui = window.form();
    EXPECT_TRUE(ui->radioButtonExaminationLengthFullMovie->isChecked());
    EXPECT_FALSE(ui->checkBoxUseGoProCamera->isChecked());
    EXPECT_TRUE(ui->plainTextEditInterestingPoints->isReadOnly());
    EXPECT_EQ(ui->comboBoxFps->count(), 2);
    EXPECT_EQ(ui->comboBoxFps->currentText(), "30");
    EXPECT_EQ(ui->comboBoxEyeTracker->itemText(1), "Tobii EyeX");
    EXPECT_EQ(ui->comboBoxEyeTracker->currentIndex(), 0);
    EXPECT_TRUE(ui->labelMonitor->isHidden());
    EXPECT_TRUE(ui->comboBoxScreenList->isHidden());
    EXPECT_FALSE(ui->comboBoxScreenList->isEnabled());
    EXPECT_TRUE(ui->groupBoxExaminationLength->isHidden());
    EXPECT_FALSE(ui->groupBoxExaminationLength->isEnabled());
    EXPECT_EQ(ui->groupBoxExaminationLength->title(), "Examination length:");

    QSliderWithTicks* slider = window.progressSlider();
    EXPECT_EQ(slider->parentWidget(), ui->tabExamination);
    EXPECT_EQ(slider->geometry(), QRect(10, ui->labelProgress->y() + 20, 381, 23));
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_EQ(slider->maximum(), 100);
}

TEST(GazelogWindow, TrackerChoiceSwitchesTheCalibrationWidgets)
{
    FakePrompt prompt;
    Gazelog window(QString(), fakeServices(prompt));
    Ui::Gazelog* ui = window.form();
    ui->comboBoxEyeTracker->setCurrentIndex(1);
    EXPECT_FALSE(ui->buttonCalibrate->isEnabled());
    EXPECT_FALSE(ui->comboBoxFps->isEnabled());
    ui->comboBoxEyeTracker->setCurrentIndex(0);
    EXPECT_TRUE(ui->buttonCalibrate->isEnabled());
    EXPECT_TRUE(ui->labelCalibrationQuality->isEnabled());

    window.onTrackerConnectionChanged(10);
    EXPECT_EQ(ui->labelConnectionStatus->text(), "Unknown status");
    window.onCalibrationChanged(false, 5);
    EXPECT_EQ(ui->labelCalibrationQuality->text(), "Not calibrated");
    window.onCalibrationChanged(true, 4);
    EXPECT_EQ(ui->labelCalibrationQuality->text(), "4/5 - good");
}

TEST(GazelogWindow, CaptionsStandApartFromTheirValues)
{
    FakePrompt prompt;
    Gazelog window(QString(), fakeServices(prompt));
    EXPECT_EQ(crampedCaptions(window.form()->tabCalibration), "");
    EXPECT_EQ(crampedCaptions(window.form()->tabExamination), "");
}

TEST(GazelogWindow, AboutDialogShowsTheVersion)
{
    FakePrompt prompt;
    Gazelog window(QString(), fakeServices(prompt));
    window.showAboutDialog();
    auto* about = window.findChild<AboutWindow*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->size(), QSize(325, 129));
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_TRUE(about->textBrowser->toPlainText().contains("Version 1.3.160625.1"));
    EXPECT_EQ(about->okButton->geometry(), QRect(90, 100, 151, 21));
}

TEST(GazelogWindow, PolishIsChosenOnlyByExactlyPl)
{
    testing_support::TempDir settings;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(GAZE_BIN_DIR)); // where the catalogue is built
    for (const char* language : {"PL", "pl_PL", "en"}) {
        testing_support::writeFile(settings / "GazeviewGUI.ini",
                                   std::string("[GUI]\nlanguage=") + language + "\n");
        QTranslator translator;
        EXPECT_FALSE(installGazelogTranslator(*QCoreApplication::instance(), translator, settings.path()))
            << language;
    }
    EXPECT_FALSE(
        installGazelogTranslator(*QCoreApplication::instance(), *new QTranslator(qApp), std::nullopt));

    testing_support::writeFile(settings / "GazeviewGUI.ini", "[gui]\nLanguage = pl\n");
    QTranslator translator;
    ASSERT_TRUE(installGazelogTranslator(*QCoreApplication::instance(), translator, settings.path()));
    {
        FakePrompt prompt;
        Gazelog window(QString(), fakeServices(prompt));
        EXPECT_EQ(window.findChild<QTabWidget*>("tabWidget")->tabText(0), "Kalibracja");
        // Texts from tables and from the examination workflow's helpers are Polish too.
        EXPECT_EQ(RecorderTexts::trackerStatus(6), "EyeX niepołączony");
        EXPECT_EQ(RecorderTexts::calibrationQuality(4), "4/5 - dobra");
        window.form()->buttonExaminationStart->click();
        EXPECT_EQ(prompt.warnings.value(0), "Błąd|Wybrany plik nie istnieje!");
        EXPECT_EQ(crampedCaptions(window.form()->tabCalibration), "");
    }
    QCoreApplication::removeTranslator(&translator);
    QDir::setCurrent(previous);
}

TEST(GazelogWindow, TheViewingDistanceIsKeptInTheSettingsFileBetweenStarts)
{
    FakePrompt prompt;
    testing_support::TempDir dir;
    const auto file = dir / "Gazelog.ini";
    GazelogServices services = fakeServices(prompt);
    services.settingsFile = QString::fromStdString(file.string());
    {
        // No file yet: the default, and nothing is written by merely opening the window.
        Gazelog window(QString(), services);
        window.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(
            window.form()->tabCalibration->rect().contains(window.form()->spinBoxViewingDistance->geometry()))
            << "the whole box is on the tab";
        EXPECT_EQ(window.form()->spinBoxViewingDistance->value(), 650);
        EXPECT_EQ(window.workflow()->viewingDistanceMm(), 650);
        EXPECT_FALSE(std::filesystem::exists(file));
        window.form()->spinBoxViewingDistance->setValue(820);
        EXPECT_EQ(window.workflow()->viewingDistanceMm(), 820);
    }
    EXPECT_NE(testing_support::readFile(file).find("viewingDistanceMm=820"), std::string::npos);
    {
        Gazelog window(QString(), services);
        EXPECT_EQ(window.form()->spinBoxViewingDistance->value(), 820);
        EXPECT_EQ(window.workflow()->viewingDistanceMm(), 820);
    }
    // A value nobody could sit at, or no number at all, gives the default.
    for (const char* bad : {"5", "99999", "far"}) {
        testing_support::writeFile(file, std::string("[Screen]\nviewingDistanceMm=") + bad + "\n");
        Gazelog window(QString(), services);
        EXPECT_EQ(window.workflow()->viewingDistanceMm(), 650) << bad;
    }
}
