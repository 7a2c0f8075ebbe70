#include "sim/eyetribe/EyeTribeServer.h"
#include "sim/eyetribe/StandInProgram.h"

#include <iostream>

// The tracker server stand-in as a program: serves until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    const sim::ParsedServerOptions parsed = sim::parseServerOptions({argv + 1, argv + argc});
    const int answered =
        sim::answerCommandLine("EyeTribe", argc, argv, parsed.help, parsed.error, sim::serverUsage());
    if (answered >= 0)
        return answered;
    sim::StopSignals stopSignals;
    sim::EyeTribeServer server(parsed.options);
    std::string error;
    if (!server.start(error)) {
        std::cerr << "EyeTribe: " << error << "\n";
        return 1;
    }
    std::cout << "EyeTribe stand-in listening on 127.0.0.1:" << server.port() << " at "
              << parsed.options.framerate << " frames per second" << std::endl;
    stopSignals.wait();
    server.stop();
    std::cout << "EyeTribe stand-in stopped" << std::endl;
    return 0;
}
