#include "sim/eyetribe/StandInProgram.h"
#include "sim/pupil/PupilCaptureStandIn.h"

#include <iostream>

// The Pupil Capture stand-in as a program: serves until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    const sim::ParsedPupilOptions parsed = sim::parsePupilOptions({argv + 1, argv + argc});
    const int answered =
        sim::answerCommandLine("PupilCapture", argc, argv, parsed.help, parsed.error, sim::pupilUsage());
    if (answered >= 0)
        return answered;
    sim::StopSignals stopSignals;
    sim::PupilCaptureStandIn standIn(parsed.options);
    std::string error;
    if (!standIn.start(error)) {
        std::cerr << "PupilCapture: " << error << "\n";
        return 1;
    }
    std::cout << "Pupil Capture stand-in: Pupil Remote on 127.0.0.1:" << standIn.remotePort()
              << ", publisher on port " << standIn.publisherPort() << ", " << parsed.options.rate
              << " gaze data per second on surface \"" << parsed.options.surface << "\"" << std::endl;
    stopSignals.wait();
    standIn.stop();
    std::cout << "Pupil Capture stand-in stopped" << std::endl;
    return 0;
}
