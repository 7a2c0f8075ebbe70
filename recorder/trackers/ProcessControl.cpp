#include "recorder/trackers/ProcessControl.h"

#include "common/Logger.h"
#include "platform/processes.h"

namespace {
constexpr int killGraceMs = 1500; // well before the 2 s re-run after a kill
}

pid_t findProcessId(const std::string& name)
{
    return findProcessIdIn(platform::runningProcessIds(), name);
}

pid_t findProcessIdIn(const std::optional<std::vector<pid_t>>& ids, const std::string& name)
{
    if (!ids) {
        LOG("process list cannot be read - assuming ", name, " is not running");
        return 0;
    }
    for (const pid_t pid : *ids) {
        if (pid != 0 && processHasName(pid, name))
            return pid;
    }
    return 0;
}

bool processHasName(pid_t pid, const std::string& name)
{
    return platform::processName(pid) == name;
}

void killProcess(pid_t pid)
{
    if (!platform::endProcess(pid, killGraceMs))
        LOG("process not ended, pid: ", pid);
}

std::string platformProgramName(const std::string& windowsName)
{
    const std::string exe = ".exe";
    if (windowsName.size() > exe.size() && windowsName.ends_with(exe))
        return windowsName.substr(0, windowsName.size() - exe.size());
    return windowsName;
}
