#include "common/ProgramHelp.h"
#include "recorder/trackers/eyex/LocalSocketLink.h"
#include "sim/eyex/EyeXEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace {

// "WxH" with both between 1 and 100000.
bool parseSize(const QString& text, int& width, int& height)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool widthOk = false;
    bool heightOk = false;
    const int w = parts[0].toInt(&widthOk);
    const int h = parts[1].toInt(&heightOk);
    if (!widthOk || !heightOk || w < 1 || h < 1 || w > 100000 || h > 100000)
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace

// The EyeX engine stand-in as a program: serves until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    // Blocked before any thread starts, so only the waiter below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("EyeX engine stand-in"));
    const QCommandLineOption socketOption(QStringLiteral("socket"), QStringLiteral("Socket path."),
                                          QStringLiteral("path"),
                                          QString::fromStdString(eyex::LocalSocketLink::defaultSocketPath()));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Gaze points per second."),
                                        QStringLiteral("hz"), QStringLiteral("60"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("Connection state told to clients (1 to 5)."),
                                         QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption blinkOption(QStringLiteral("blink-every"),
                                         QStringLiteral("Leave out 5 points of every n (0: never)."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption displayOption(QStringLiteral("display-mm"),
                                           QStringLiteral("Physical size of the display, in millimetres."),
                                           QStringLiteral("WxH"), QStringLiteral("531x299"));
    const QCommandLineOption screenOption(QStringLiteral("screen-px"),
                                          QStringLiteral("Size of the display, in pixels."),
                                          QStringLiteral("WxH"), QStringLiteral("1920x1080"));
    parser.addOptions({socketOption, rateOption, stateOption, blinkOption, displayOption, screenOption});
    if (const auto answered =
            ProgramHelp::parseOrAnswer(parser, argc, argv, "Tobii.EyeX.Engine", std::cout, std::cerr))
        return *answered;

    sim::EyeXEngine::Options options;
    options.socketPath = parser.value(socketOption);
    bool rateOk = false;
    bool stateOk = false;
    bool blinkOk = false;
    options.rateHz = parser.value(rateOption).toInt(&rateOk);
    options.connectionState = parser.value(stateOption).toInt(&stateOk);
    options.blinkEvery = parser.value(blinkOption).toInt(&blinkOk);
    const bool displayOk =
        parseSize(parser.value(displayOption), options.displayWidthMm, options.displayHeightMm);
    const bool screenOk =
        parseSize(parser.value(screenOption), options.screenWidthPx, options.screenHeightPx);
    if (!rateOk || options.rateHz < 1 || options.rateHz > 1000 || !stateOk || !blinkOk ||
        options.blinkEvery < 0 || !displayOk || !screenOk) {
        std::cerr << ProgramHelp::problemText("Tobii.EyeX.Engine", "bad option value");
        return 2;
    }

    sim::EyeXEngine engine(options);
    QString error;
    if (!engine.start(error)) {
        std::fprintf(stderr, "Tobii.EyeX.Engine: %s\n", qPrintable(error));
        return 1;
    }
    std::thread waiter([&stopSignals, &app] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    std::printf("EyeX engine stand-in serving %s\n", qPrintable(options.socketPath));
    std::fflush(stdout);
    const int result = app.exec();
    waiter.join();
    return result;
}
