#pragma once

// Start-up of the recording program: the log file, the interface language, the
// command line and the main window. Returns the process exit code.
int runGazelog(int argc, char** argv);
