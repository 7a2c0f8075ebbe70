#include "common/ProgramHelp.h"
#include "sim/pupil/PupilCaptureStandIn.h"

#include <csignal>
#include <iostream>

// The Pupil Capture stand-in as a program: serves until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("PupilCapture", std::cout);
    const sim::ParsedPupilOptions parsed = sim::parsePupilOptions({argv + 1, argv + argc});
    if (parsed.help) {
        std::cout << sim::pupilUsage();
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("PupilCapture", parsed.error);
        return 2;
    }
    // Blocked before the stand-in's thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::PupilCaptureStandIn standIn(parsed.options);
    std::string error;
    if (!standIn.start(error)) {
        std::cerr << "PupilCapture: " << error << "\n";
        return 1;
    }
    std::cout << "Pupil Capture stand-in: Pupil Remote on 127.0.0.1:" << standIn.remotePort()
              << ", publisher on port " << standIn.publisherPort() << ", " << parsed.options.rate
              << " gaze data per second on surface \"" << parsed.options.surface << "\"" << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    standIn.stop();
    std::cout << "Pupil Capture stand-in stopped" << std::endl;
    return 0;
}
