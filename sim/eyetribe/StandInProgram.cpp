#include "sim/eyetribe/StandInProgram.h"

#include "common/ProgramHelp.h"

#include <pthread.h>

#include <iostream>

namespace sim {

int answerCommandLine(const char* program, int argc, char** argv, bool help, const std::string& error,
                      const std::string& usage)
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion(program, std::cout);
    if (help) {
        std::cout << usage;
        return 0;
    }
    if (!error.empty()) {
        std::cerr << ProgramHelp::problemText(program, error);
        return 2;
    }
    return -1;
}

StopSignals::StopSignals()
{
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

void StopSignals::wait()
{
    int signal = 0;
    sigwait(&signals_, &signal);
}

} // namespace sim
