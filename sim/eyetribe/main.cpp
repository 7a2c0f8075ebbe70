#include "common/ProgramHelp.h"
#include "sim/eyetribe/EyeTribeServer.h"

#include <csignal>
#include <iostream>

// The tracker server stand-in as a program: serves until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("EyeTribe", std::cout);
    const sim::ParsedServerOptions parsed = sim::parseServerOptions({argv + 1, argv + argc});
    if (parsed.help) {
        std::cout << sim::serverUsage();
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("EyeTribe", parsed.error);
        return 2;
    }

    // Blocked before the server's thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::EyeTribeServer server(parsed.options);
    std::string error;
    if (!server.start(error)) {
        std::cerr << "EyeTribe: " << error << "\n";
        return 1;
    }
    std::cout << "EyeTribe stand-in listening on 127.0.0.1:" << server.port() << " at "
              << parsed.options.framerate << " frames per second" << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    std::cout << "EyeTribe stand-in stopped" << std::endl;
    return 0;
}
