#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

class AppCtrl;

// The player program from start-up to the end of its event loop, given a
// running QApplication. Fatal start-up errors are shown in a message box and
// end with code 1; the help text goes to `helpOutput`. Otherwise the main window
// runs until a quit request, whose code is returned.
int runGazeview(AppCtrl& app, const QStringList& arguments, const QString& executablePath,
                std::ostream& helpOutput);
