#pragma once

#include <filesystem>
#include <optional>

class QCoreApplication;
class QTranslator;

// Start-up of the recording program: the log file, the interface language, the
// command line and the main window. Returns the process exit code.
int runGazelog(int argc, char** argv);

// Installs the Polish catalogue when GazeviewGUI.ini in the settings folder says
// "GUI/language" is exactly "pl". Returns true when a catalogue was installed.
bool installGazelogTranslator(QCoreApplication& app, QTranslator& translator,
                              const std::optional<std::filesystem::path>& settingsFolder);
