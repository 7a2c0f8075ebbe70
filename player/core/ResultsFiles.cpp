#include "player/core/ResultsFiles.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/AppCtrl.h"
#include "player/core/StringTable.h"
#include "player/data/TimeLineManager.h"

#include <QDir>
#include <QFileInfo>

namespace ResultsFiles {

namespace {

int add(TimeLineManager& results, const std::filesystem::path& file, const AppCtrl& app)
{
    return results.add(file, app.eventsNum, app.filterRadius, app.actionRadius);
}

} // namespace

void loadFromCommandLine(TimeLineManager& results, const AppCtrl& app,
                         const TimeLineManager::Progress& progress)
{
    const QString& path = app.resultsPath;
    if (app.mode == AppCtrl::Mode::File) {
        if (add(results, path.toStdString(), app) == 0)
            LOG("File '", path, "' loaded from command line");
        else
            LOG("File not found: '", path, "' or there is an error in it");
    } else if (app.mode == AppCtrl::Mode::Directory) {
        LOG("Csv directory path and mask: ", path + QStringLiteral("/*.csv"));
        const QDir folder(path);
        if (!folder.exists())
            LOG("Results folder not found: '", path, "'");
        const QStringList names = folder.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
        std::vector<std::filesystem::path> files;
        for (const QString& name : names) {
            const QString full = folder.filePath(name);
            LOG("CSV full path: ", full);
            files.emplace_back(full.toStdString());
        }
        const std::vector<int> statuses =
            results.addAll(files, app.eventsNum, app.filterRadius, app.actionRadius, progress);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (statuses[static_cast<size_t>(i)] == 0)
                LOG("File '", names[i], "' loaded from command line");
            else
                LOG("File '", names[i], "' not found or there is an error in it");
        }
        LOG("Multiple files loaded from '", path, "' from command line");
    }
}

void loadChosen(TimeLineManager& results, const QStringList& files, const AppCtrl& app,
                const QString& movieFileName, const std::function<bool(const QString& question)>& accept)
{
    std::vector<std::filesystem::path> paths;
    for (const QString& file : files)
        paths.emplace_back(file.toStdString());
    results.addAll(paths, app.eventsNum, app.filterRadius, app.actionRadius);

    const std::string movieName = QFileInfo(movieFileName).fileName().toStdString();
    QString others;
    std::vector<std::filesystem::path> sameMovie;
    for (const TimeLine& timeLine : results.timeLines()) {
        if (timeLine.movieName() == movieName)
            sameMovie.push_back(timeLine.path());
        else
            others += QString::fromStdString(timeLine.path().filename().string()) + QStringLiteral(" -> ") +
                      QString::fromStdString(timeLine.movieName()) + QStringLiteral("\n");
    }
    if (others.isEmpty() || (accept && accept(loadString(IDS_OTHER_MOVIE_RESULTS) + others +
                                              loadString(IDS_ACCEPT_OTHER_MOVIE_RESULTS))))
        return;
    results.clear();
    results.addAll(sameMovie, app.eventsNum, app.filterRadius, app.actionRadius);
}

} // namespace ResultsFiles
