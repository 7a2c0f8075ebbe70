#pragma once

#include "recorder/gtl/GazeApi.h"
#include "recorder/gtl/Listeners.h"
#include "sim/eyetribe_ui/CalibrationSession.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// The calibration program's main window. It stays connected to the tracker
// server like every client, runs a calibration when asked, and presents the
// result the server announces in a result window of its own.
class CalibrationWindow : public QWidget,
                          public gtl::IConnectionStateListener,
                          public gtl::ICalibrationResultListener
{
    Q_OBJECT

public:
    struct Options
    {
        CalibrationSession::Options session;
        bool calibrateAtOnce = false;
    };

    explicit CalibrationWindow(const Options& options);
    ~CalibrationWindow() override;

    void on_connection_state_changed(bool connected) override;
    void on_calibration_changed(bool isCalibrated, const gtl::CalibrationResult& result) override;

public Q_SLOTS:
    void calibrate();

private:
    void connectToServer();
    void showResultWindow(const QString& text);
    void presentResult(bool isCalibrated, double deg, double degLeft, double degRight);

    Options options_;
    gtl::GazeApi client_{false};
    QTimer reconnect_;
    QLabel* status_ = nullptr;
    QPushButton* calibrateButton_ = nullptr;
    QWidget* resultWindow_ = nullptr;
    QLabel* resultText_ = nullptr;
    QPointer<CalibrationSession> session_;
    bool awaitingResult_ = false;
};
