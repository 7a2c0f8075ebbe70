// Runs one examination through the real recording window, tracker client and
// player, with a robot in the operator's chair: it picks the tracker (the
// EyeTribe server, or Pupil Core through the Pupil Capture stand-in, which the
// robot starts as an operator starts Pupil Capture), waits for the tracker,
// calibrates, starts the examination, lets the movie play to its end, keeps the
// results and prints where they are. For demonstrations and smoke tests on
// machines without a person (or a display).

#include "common/AppDataFolder.h"
#include "common/Logger.h"
#include "common/ProgramHelp.h"
#include "common/QtLogItems.h"
#include "recorder/Gazelog.h"
#include "recorder/TrackerFactory.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/EyeTribeController.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "recorder/trackers/PupilController.h"
#include "recorder/trackers/PupilSettings.h"
#include "ui_Gazelog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTcpSocket>
#include <QThread>
#include <functional>
#include <iostream>
#include <msgpack.hpp>
#include <optional>
#include <zmq.hpp>

namespace {

// Says yes to every question and reads every warning out.
class RobotOperator : public OperatorPrompt
{
public:
    void warning(const QString& title, const QString& text) override
    {
        std::cout << "[operator sees] " << title.toStdString() << ": " << text.toStdString() << std::endl;
    }
    bool question(const QString& title, const QString& text) override
    {
        std::cout << "[operator answers Yes to] " << title.toStdString() << ":\n"
                  << text.toStdString() << std::endl;
        return true;
    }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
};

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

void say(const std::string& text)
{
    std::cout << "[demo] " << text << std::endl;
}

// Starts the Pupil Capture stand-in (from the stand-ins' folder, as ProgramFiles names it) on the
// port, with the gaze made for the primary screen, and points the recorder at it.
bool startPupilCapture(QProcess& standIn, quint16 port)
{
    const QString program =
        QString::fromLocal8Bit(qgetenv("ProgramFiles")) + QStringLiteral("/Pupil/PupilCapture");
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1920, 1080);
    standIn.setProcessChannelMode(QProcess::ForwardedChannels);
    standIn.start(program,
                  {QStringLiteral("--port=%1").arg(port), QStringLiteral("--rate=120"),
                   QStringLiteral("--follow-ball"), QStringLiteral("--screen-width=%1").arg(size.width()),
                   QStringLiteral("--screen-height=%1").arg(size.height())});
    if (!standIn.waitForStarted(5000)) {
        say("the Pupil Capture stand-in did not start: " + program.toStdString());
        return false;
    }
    qputenv(PupilSettings::addressVariable, QStringLiteral("127.0.0.1:%1").arg(port).toLocal8Bit());
    return true;
}

// Tells the EyeTribe stand-in the movie's time whenever the player reports it, so that a
// viewer made for the movie (--follow-ball) looks at what the movie shows at that moment.
// A real server answers with an error and nothing else happens.
class MovieClockToStandIn
{
public:
    explicit MovieClockToStandIn(quint16 port) : port_(port) {}

    void tell(qint64 movieTimeMs)
    {
        // The stand-in drops a client that sends no heartbeat; a new connection for a later report.
        if (socket_.state() == QAbstractSocket::UnconnectedState)
            socket_.connectToHost(QStringLiteral("127.0.0.1"), port_);
        socket_.write(
            QStringLiteral("{\"category\":\"movie\",\"request\":\"set\",\"values\":{\"time\":%1}}\n")
                .arg(movieTimeMs)
                .toUtf8());
        socket_.readAll();
    }

private:
    quint16 port_;
    QTcpSocket socket_;
};

// Tells the Pupil Capture stand-in the movie's time as a notification of its own
// (demo.movie_time), on a Pupil Remote connection apart from the recorder's; Pupil Capture
// itself takes the notification and does nothing with it. Replies are read when they have
// come and never waited for, so the window's thread never stops here.
class MovieClockToPupilCapture
{
public:
    explicit MovieClockToPupilCapture(quint16 port) : socket_(context_, zmq::socket_type::req)
    {
        socket_.set(zmq::sockopt::linger, 0);
        // A request may follow one whose reply has not come yet; late replies are told apart.
        socket_.set(zmq::sockopt::req_relaxed, 1);
        socket_.set(zmq::sockopt::req_correlate, 1);
        socket_.connect("tcp://127.0.0.1:" + std::to_string(port));
    }

    void tell(qint64 movieTimeMs)
    {
        try {
            // A REQ socket reads only while a reply is owed; an older reply is dropped by the next send.
            zmq::message_t reply;
            if (awaitingReply_ && socket_.recv(reply, zmq::recv_flags::dontwait))
                awaitingReply_ = false;
            msgpack::sbuffer payload;
            msgpack::packer<msgpack::sbuffer> packer(payload);
            packer.pack_map(2);
            packer.pack(std::string("subject"));
            packer.pack(std::string(subject));
            packer.pack(std::string("time"));
            packer.pack(static_cast<std::int64_t>(movieTimeMs));
            const std::string topic = std::string("notify.") + subject;
            if (socket_.send(zmq::buffer(topic), zmq::send_flags::sndmore | zmq::send_flags::dontwait) &&
                socket_.send(zmq::buffer(payload.data(), payload.size()), zmq::send_flags::dontwait))
                awaitingReply_ = true;
        } catch (const zmq::error_t& failure) {
            say(std::string("telling Pupil Capture the movie's time failed: ") + failure.what());
        }
    }

private:
    static constexpr const char* subject = "demo.movie_time";
    zmq::context_t context_;
    zmq::socket_t socket_;
    bool awaitingReply_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    ProgramHelp::offscreenForHelp(argc, argv);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Records one examination with a robot operator.");
    const QCommandLineOption movieOption("movie", "The movie to show.", "file");
    const QCommandLineOption resultsOption("results", "Folder for the results file.", "folder");
    const QCommandLineOption idOption("id", "Examined person's id.", "id", "demo");
    const QCommandLineOption timeoutOption("timeout", "Seconds to wait for the examination to end.", "s",
                                           "120");
    const QCommandLineOption portOption("tracker-port", "Port of the EyeTribe server to start and use.",
                                        "port", "6555");
    const QCommandLineOption trackerOption("tracker", "The tracker: eyetribe or pupil (Pupil Core).", "name",
                                           "eyetribe");
    parser.addOptions({movieOption, resultsOption, idOption, timeoutOption, portOption, trackerOption});
    if (const auto answered =
            ProgramHelp::parseOrAnswer(parser, argc, argv, "gazelog-demo", std::cout, std::cerr))
        return *answered;
    const auto folder = ensureAppDataFolder();
    // The recorder's log lines, one per sample during the examination, stay in the file: the
    // console tells the demo's story.
    LogStyle style = recorderLogStyle();
    style.mirrorToConsole = false;
    if (!folder || Logger::open(style, *folder / "Gazelog.log")) {
        std::cerr << "gazelog-demo: cannot open the log in the settings folder" << std::endl;
        return 1;
    }
    if (!parser.isSet(movieOption) || !parser.isSet(resultsOption)) {
        std::cerr << "gazelog-demo: --movie and --results are required" << std::endl;
        return 1;
    }
    const int timeoutMs = parser.value(timeoutOption).toInt() * 1000;
    const QString trackerName = parser.value(trackerOption);
    if (trackerName != "eyetribe" && trackerName != "pupil") {
        std::cerr << "gazelog-demo: --tracker is eyetribe or pupil" << std::endl;
        return 1;
    }
    const bool pupil = trackerName == "pupil";
    QProcess pupilCapture;
    const quint16 pupilPort = parser.isSet(portOption) ? parser.value(portOption).toUShort() : 50020;
    if (pupil) {
        say("Pupil Core: the window's first tracker, the EyeTribe, is left out and reported missing");
        if (!startPupilCapture(pupilCapture, pupilPort))
            return 1;
    }
    // Made before the window, so that it outlives every report of the movie's time.
    std::optional<MovieClockToPupilCapture> pupilClock;
    if (pupil)
        pupilClock.emplace(pupilPort);
    // Ends the stand-in however the demo ends, as the operator closes Pupil Capture.
    const auto endPupilCapture = qScopeGuard([&] {
        if (pupilCapture.state() == QProcess::NotRunning)
            return;
        pupilCapture.terminate();
        if (!pupilCapture.waitForFinished(3000))
            pupilCapture.kill();
    });

    RobotOperator robot;
    GazelogServices services;
    services.prompt = &robot;
    const unsigned short port = parser.value(portOption).toUShort();
    // Made before the window, like Pupil Capture's clock, so that it outlives every report of the movie's
    // time.
    MovieClockToStandIn movieClock(port);
    services.makeController = [port, pupil](int trackerIndex, OperatorPrompt& prompt,
                                            QObject* parent) -> EyeTrackerController* {
        // The window starts with the EyeTribe tracker; its server is not wanted beside Pupil Capture.
        if (pupil && trackerIndex != pupilTrackerIndex)
            return nullptr;
        EyeTrackerController* controller = makeTrackerController(trackerIndex, prompt, parent);
        if (auto* eyeTribe = qobject_cast<EyeTribeController*>(controller); eyeTribe && port != 0)
            eyeTribe->setPort(port);
        return controller;
    };
    Gazelog window(parser.value(movieOption), services);
    window.show();
    Ui::Gazelog* ui = window.form();
    ui->lineEditOutputDirectory->setText(QDir(parser.value(resultsOption)).absolutePath());
    ui->lineEditExaminationId->setText(parser.value(idOption));
    if (pupil)
        ui->comboBoxEyeTracker->setCurrentIndex(pupilTrackerIndex);

    EyeTrackerController* tracker = window.workflow()->tracker().tracker();
    if (!tracker) {
        say("no tracker controller is built into this program");
        return 1;
    }
    say("waiting for the tracker server");
    if (!waitFor([&] { return ui->labelConnected->text() == "Yes"; }, 20000)) {
        say("the tracker server did not come up: " + ui->labelConnectionStatus->text().toStdString());
        return 1;
    }
    say("tracker: " + ui->labelConnectionStatus->text().toStdString() + "; calibrating");
    ui->buttonCalibrate->click();
    if (!waitFor([&] { return tracker->isReadyForExamination(); }, 30000)) {
        say("calibration did not finish: " + ui->labelCalibrationQuality->text().toStdString());
        return 1;
    }
    // The outcome's text follows the tracker's own state through the window's event queue.
    const QString calibrating = RecorderTexts::calibrationQuality(PupilController::calibrationRunning);
    waitFor(
        [&] {
            const QString shown = ui->labelCalibrationQuality->text();
            return shown != "Not calibrated" && shown != calibrating;
        },
        2000);
    say("calibration quality: " + ui->labelCalibrationQuality->text().toStdString());
    if (!waitFor([&] { return window.currentMovieDuration() > 0; }, 10000))
        say("the movie's length is unknown; examining it anyway");

    if (!pupil && port != 0)
        QObject::connect(window.workflow(), &ExaminationWorkflow::movieTimeReported, &app,
                         [&movieClock](qint64 movieTimeMs) { movieClock.tell(movieTimeMs); });
    if (pupilClock)
        QObject::connect(window.workflow(), &ExaminationWorkflow::movieTimeReported, &app,
                         [&pupilClock](qint64 movieTimeMs) { pupilClock->tell(movieTimeMs); });
    say("starting the examination");
    ui->buttonExaminationStart->click();
    if (!ui->buttonExaminationAbort->isEnabled()) {
        say("the examination did not start");
        return 1;
    }
    if (!waitFor([&] { return ui->buttonExaminationStart->isEnabled(); }, timeoutMs)) {
        say("the examination did not end in time; stopping it");
        ui->buttonExaminationAbort->click();
    }
    const QString results = tracker->lastResultPath();
    if (results.isEmpty()) {
        say("no results were saved");
        return 1;
    }
    say("results: " + results.toStdString());
    return 0;
}
