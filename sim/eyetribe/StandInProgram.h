#pragma once

#include <csignal>
#include <string>

// What the tracker stand-in programs share around their server: the answer to
// --version, --help and a bad command line, and the wait for SIGINT or SIGTERM.
namespace sim {

// Prints the version, the usage or the problem for `program`; returns the exit
// code when the command line is answered that way, -1 when the stand-in should run.
int answerCommandLine(const char* program, int argc, char** argv, bool help, const std::string& error,
                      const std::string& usage);

// Blocks SIGINT and SIGTERM for the calling thread and the threads it starts
// afterwards, so only wait() sees them: construct before starting the server.
class StopSignals
{
public:
    StopSignals();
    void wait();

private:
    sigset_t signals_;
};

} // namespace sim
