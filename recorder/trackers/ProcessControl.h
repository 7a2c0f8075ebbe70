#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Finding and ending the outside programs the recorder supervises (tracker
// servers, calibration programs, the player). Names are program file names,
// compared exactly (letter case matters).

// The first process with that name, 0 when none runs or the process list cannot be read.
pid_t findProcessId(const std::string& name);
// The same lookup in a process list already read (nothing: the list could not be read).
pid_t findProcessIdIn(const std::optional<std::vector<pid_t>>& ids, const std::string& name);

bool processHasName(pid_t pid, const std::string& name);

// Ends the process (politely first). Ids of 1 and below and our own id are refused.
void killProcess(pid_t pid);

// The program file name as this platform spells it: "Gazeview.exe" -> "Gazeview".
std::string platformProgramName(const std::string& windowsName);
