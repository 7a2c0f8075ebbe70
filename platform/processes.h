#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class QObject;

namespace platform {

// Ids of all running processes, or nothing when the process list cannot be read.
std::optional<std::vector<pid_t>> runningProcessIds();

// The program file name of a process: the base name of /proc/<pid>/exe, else of the
// first word of its command line, else "<unknown>".
std::string processName(pid_t pid);

// Whether this program may end the process: never ids of 1 and below, nor itself.
bool mayEnd(pid_t pid);

// Asks the process to end (SIGTERM) and, if it is still there after graceMs, kills it.
// Returns once the process has gone or was killed. Refuses what mayEnd() refuses.
bool endProcess(pid_t pid, int graceMs);

// Sends a signal: 0, else the errno of the failure.
using SignalSender = std::function<int(pid_t pid, int signal)>;

// What endProcessLater does beside ending the process; every part may stay empty.
struct EndingHooks
{
    // Null: kill(2).
    SignalSender sendSignal;
    // Called just before the kill.
    std::function<void()> beforeKill;
    // The kill's outcome: 0, else the errno of the failure.
    std::function<void(int error)> killed;
    // The hooks are called only while this object lives (the kill happens all the same); null: always.
    QObject* owner = nullptr;
};

// As endProcess, without waiting: the kill after graceMs is left to the calling
// thread's event loop, and only hits a process that still runs the program `name`
// (its id may have been given to another since). Returns 0 once the process was
// asked to end, ESRCH when it had gone already, EPERM when mayEnd() refuses it,
// else the errno of the request.
int endProcessLater(pid_t pid, const std::string& name, int graceMs, EndingHooks hooks = {});

// Sends the signal now; refuses (EPERM) what mayEnd() refuses. 0, else the errno of the failure.
int signalProcess(pid_t pid, int signal, const SignalSender& sendSignal = {});

// Starts the program on its own (it outlives us and is not our child). False when it
// cannot be started.
bool startDetached(const std::string& program, const std::vector<std::string>& arguments);

struct ElevatedStart
{
    bool started = false;
    std::string outcome; // what happened, for the log
};

// Starts the program with administrator rights through pkexec; fails when pkexec is
// not installed or cannot be started.
ElevatedStart startElevated(const std::string& program, const std::vector<std::string>& arguments);

} // namespace platform
