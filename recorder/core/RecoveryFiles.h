#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class EyeTrackerController;

// Where the samples of an examination nobody saved go when the program is
// ended: a recovery file in the results folder, else in the first fallback
// folder that takes it. Whatever was tried is told on stderr and in the log.
class RecoveryFiles
{
public:
    // The header lines of a recovery file written at that date to that path.
    using HeaderLines = std::function<QStringList(const QString& dateText, const QString& path)>;

    // terminating: whether the program is being ended (null: never); fallbackFolders: where a
    // recovery file goes, in order, when the results folder takes none (null: the settings
    // folder, then the private runtime folder).
    RecoveryFiles(std::function<bool()> terminating, std::function<QStringList()> fallbackFolders);

    // Whether the program is being ended, so that nobody is left to answer or to save.
    bool terminating() const { return terminating_ && terminating_(); }

    // Writes the tracker's samples without asking to "<id>_<date>_recovery.csv". Returns
    // the file's path, empty when no folder took it.
    QString write(EyeTrackerController& tracker, const QString& resultsFolder, const QString& examinationId,
                  const HeaderLines& headerLines, const QRect& screenArea);

    // Samples of an examination could be written nowhere.
    bool failed() const { return failed_; }

private:
    std::function<bool()> terminating_;
    std::function<QStringList()> fallbackFolders_;
    bool failed_ = false;
};
