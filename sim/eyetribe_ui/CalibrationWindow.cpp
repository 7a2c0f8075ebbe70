#include "sim/eyetribe_ui/CalibrationWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

CalibrationWindow::CalibrationWindow(const Options& options) : options_(options)
{
    setWindowTitle(QStringLiteral("EyeTribe calibration"));
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(QStringLiteral("Waiting for the tracker server..."), this);
    calibrateButton_ = new QPushButton(QStringLiteral("Calibrate"), this);
    calibrateButton_->setEnabled(false);
    layout->addWidget(status_);
    layout->addWidget(calibrateButton_);
    connect(calibrateButton_, &QPushButton::clicked, this, &CalibrationWindow::calibrate);

    // Owned by this window, so the window system knows the two belong together.
    resultWindow_ = new QWidget(this, Qt::Window);
    resultWindow_->setWindowTitle(QStringLiteral("Calibration result"));
    resultText_ = new QLabel(resultWindow_);
    (new QVBoxLayout(resultWindow_))->addWidget(resultText_);

    client_.add_listener(static_cast<gtl::IConnectionStateListener&>(*this));
    client_.add_listener(static_cast<gtl::ICalibrationResultListener&>(*this));
    reconnect_.setInterval(1000);
    reconnect_.setSingleShot(true);
    connect(&reconnect_, &QTimer::timeout, this, &CalibrationWindow::connectToServer);
    QTimer::singleShot(0, this, &CalibrationWindow::connectToServer);
}

CalibrationWindow::~CalibrationWindow()
{
    client_.disconnect();
}

void CalibrationWindow::connectToServer()
{
    if (client_.connect(false, options_.session.port))
        return;
    status_->setText(QStringLiteral("Waiting for the tracker server..."));
    reconnect_.start();
}

void CalibrationWindow::on_connection_state_changed(bool connected)
{
    QMetaObject::invokeMethod(
        this,
        [this, connected] {
            calibrateButton_->setEnabled(connected && !session_);
            if (!connected) {
                status_->setText(QStringLiteral("Connection to the tracker server lost"));
                reconnect_.start();
                return;
            }
            status_->setText(QStringLiteral("Connected to the tracker server"));
            if (options_.calibrateAtOnce) {
                options_.calibrateAtOnce = false;
                calibrate();
            }
        },
        Qt::QueuedConnection);
}

void CalibrationWindow::on_calibration_changed(bool isCalibrated, const gtl::CalibrationResult& result)
{
    // The client's stored record may change under us: take the values now.
    const double deg = result.deg, left = result.degl, right = result.degr;
    QMetaObject::invokeMethod(
        this, [=, this] { presentResult(isCalibrated, deg, left, right); }, Qt::QueuedConnection);
}

void CalibrationWindow::calibrate()
{
    if (session_)
        return;
    CalibrationSession::Options sessionOptions = options_.session;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        sessionOptions.area = screen->geometry().size();
    session_ = new CalibrationSession(sessionOptions, this);
    calibrateButton_->setEnabled(false);
    resultWindow_->hide();
    connect(session_, &CalibrationSession::pointShown, this, [this](int index, QPointF where) {
        status_->setText(QStringLiteral("Look at point %1 of %2 (%3, %4)")
                             .arg(index + 1)
                             .arg(options_.session.pointCount)
                             .arg(where.x())
                             .arg(where.y()));
    });
    connect(session_, &CalibrationSession::resultComing, this, [this] {
        awaitingResult_ = true;
        showResultWindow(QStringLiteral("Computing the result..."));
    });
    connect(session_, &CalibrationSession::finished, this, [this](bool ok, const QString& error) {
        session_->deleteLater();
        session_ = nullptr;
        calibrateButton_->setEnabled(client_.is_connected());
        if (!ok) {
            awaitingResult_ = false;
            resultWindow_->hide();
            status_->setText(QStringLiteral("Calibration failed: ") + error);
        }
    });
    status_->setText(QStringLiteral("Calibrating..."));
    session_->start();
}

void CalibrationWindow::showResultWindow(const QString& text)
{
    resultText_->setText(text);
    resultWindow_->show();
    resultWindow_->raise();
}

void CalibrationWindow::presentResult(bool isCalibrated, double deg, double degLeft, double degRight)
{
    // Notices of a starting calibration carry no result to present.
    if (!awaitingResult_)
        return;
    awaitingResult_ = false;
    const QString text = isCalibrated ? QStringLiteral("Average error %1° (left %2°, right %3°)")
                                            .arg(deg, 0, 'f', 2)
                                            .arg(degLeft, 0, 'f', 2)
                                            .arg(degRight, 0, 'f', 2)
                                      : QStringLiteral("Calibration failed - calibrate again");
    status_->setText(QStringLiteral("Calibration finished"));
    showResultWindow(text);
}
