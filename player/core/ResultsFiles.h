#pragma once

#include "player/data/TimeLineManager.h"

#include <QString>
#include <QStringList>
#include <functional>

class AppCtrl;

// Filling the result set from the files a user names, with the preprocessing
// settings; every file that does not load is logged and left out.
namespace ResultsFiles {

// The results file (FILE mode) or every "*.csv" file of the folder (DIRECTORY
// mode) named on the command line, in name order; a folder's files load on
// several threads and progress reports each one done. Other modes load nothing.
void loadFromCommandLine(TimeLineManager& results, const AppCtrl& app,
                         const TimeLineManager::Progress& progress = {});

// The files chosen in the open dialog. Files recorded for a movie other than
// movieFileName are listed in one question; when accept() answers no, they are
// left out.
void loadChosen(TimeLineManager& results, const QStringList& files, const AppCtrl& app,
                const QString& movieFileName, const std::function<bool(const QString& question)>& accept);

} // namespace ResultsFiles
