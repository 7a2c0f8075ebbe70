#include "common/ProgramHelp.h"
#include "sim/eyetribe_ui/CalibrationWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <iostream>

// Stand-in for the EyeTribe calibration program.
int main(int argc, char** argv)
{
    ProgramHelp::offscreenForHelp(argc, argv);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in for the EyeTribe calibration program."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Tracker server port (default 6555)."), QStringLiteral("N"),
                                  QStringLiteral("6555"));
    const QCommandLineOption calibrate(
        QStringLiteral("calibrate"),
        QStringLiteral("Calibrate as soon as the server is reached (also when EYETRIBEUI_CALIBRATE=1)."));
    const QCommandLineOption points(QStringLiteral("points"),
                                    QStringLiteral("Calibration points, 9 to 64 (default 9)."),
                                    QStringLiteral("N"), QStringLiteral("9"));
    const QCommandLineOption pointMs(QStringLiteral("point-ms"),
                                     QStringLiteral("Milliseconds per point (default 800)."),
                                     QStringLiteral("MS"), QStringLiteral("800"));
    parser.addOptions({port, calibrate, points, pointMs});
    if (const auto answered =
            ProgramHelp::parseOrAnswer(parser, argc, argv, "EyeTribeUIWin", std::cout, std::cerr))
        return *answered;

    bool portOk = false, pointsOk = false, pointMsOk = false;
    const uint portValue = parser.value(port).toUInt(&portOk);
    const int pointsValue = parser.value(points).toInt(&pointsOk);
    const int pointMsValue = parser.value(pointMs).toInt(&pointMsOk);
    if (!portOk || portValue == 0 || portValue > 65535 || !pointsOk || pointsValue < 9 || pointsValue > 64 ||
        !pointMsOk || pointMsValue < 0) {
        std::cerr << ProgramHelp::problemText("EyeTribeUIWin", "bad option value");
        return 2;
    }

    CalibrationWindow::Options options;
    options.session.port = static_cast<unsigned short>(portValue);
    options.session.pointCount = pointsValue;
    options.session.pointMs = pointMsValue;
    // The recorder starts this program without options; demos and tests that have nobody to
    // press "Calibrate" set EYETRIBEUI_CALIBRATE=1 instead.
    options.calibrateAtOnce = parser.isSet(calibrate) || qgetenv("EYETRIBEUI_CALIBRATE") == "1";
    CalibrationWindow window(options);
    window.show();
    return app.exec();
}
