#include "recorder/core/RecoveryFiles.h"

#include "common/AppDataFolder.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/window_bus.h"
#include "recorder/core/ResultsHeader.h"
#include "recorder/trackers/EyeTrackerController.h"

#include <iostream>

namespace {

// After the results folder: the settings folder, then the private runtime folder.
QStringList standardFallbackFolders()
{
    QStringList folders;
    if (const auto settings = appDataFolder())
        folders << QString::fromStdString(settings->string());
    if (const auto bus = platform::windowBusFolder(); bus.path)
        folders << QString::fromStdString(bus.path->parent_path().string());
    return folders;
}

} // namespace

RecoveryFiles::RecoveryFiles(std::function<bool()> terminating, std::function<QStringList()> fallbackFolders)
    : terminating_(std::move(terminating)),
      fallbackFolders_(fallbackFolders ? std::move(fallbackFolders) : standardFallbackFolders)
{
}

QString RecoveryFiles::write(EyeTrackerController& tracker, const QString& resultsFolder,
                             const QString& examinationId, const HeaderLines& headerLines,
                             const QRect& screenArea)
{
    // The results folder may be full, gone or read-only just when the program is
    // ended: the samples then go to the next place that takes them.
    const QStringList folders = QStringList{resultsFolder} + fallbackFolders_();
    const QString date = ResultsHeader::dateNow();
    QStringList failures;
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = ResultsHeader::path(folder, examinationId, date, QStringLiteral("_recovery"));
        const std::string failure = tracker.writeResults(path, headerLines(date, path), screenArea);
        if (!failure.empty()) {
            LOG("recovery file not written: ", path, ", reason: ", failure);
            failures << path + QStringLiteral(": ") + QString::fromStdString(failure);
            continue;
        }
        LOG("samples saved to the recovery file: ", path);
        if (!failures.isEmpty())
            std::cerr << "Gazelog: the samples could not be saved to " << failures.join(QStringLiteral("; "))
                      << "\nGazelog: the samples were saved to " << path << std::endl;
        return path;
    }
    failed_ = true;
    LOG("the samples could not be saved anywhere");
    std::cerr << "Gazelog: the samples could not be saved anywhere: " << failures.join(QStringLiteral("; "))
              << std::endl;
    return {};
}
