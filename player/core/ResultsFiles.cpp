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

void loadFromCommandLine(TimeLineManager& results, const AppCtrl& app)
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
            LOG("FindFirstFile failed");
        for (const QString& name : folder.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name)) {
            const QString full = folder.filePath(name);
            LOG("CSV full path: ", full);
            if (add(results, full.toStdString(), app) == 0)
                LOG("File '", name, "' loaded from command line");
            else
                LOG("File '", name, "' not found or there is an error in it");
        }
        LOG("FindNextFile() reported no more files");
        LOG("Multiple files loaded from '", path, "' from command line");
    }
}

void loadChosen(TimeLineManager& results, const QStringList& files, const AppCtrl& app,
                const QString& movieFileName, const std::function<bool(const QString& question)>& accept)
{
    for (const QString& file : files)
        add(results, file.toStdString(), app);

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
    for (const auto& file : sameMovie)
        add(results, file, app);
}

} // namespace ResultsFiles
