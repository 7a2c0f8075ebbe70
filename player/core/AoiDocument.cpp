#include "player/core/AoiDocument.h"

#include "common/Logger.h"
#include "player/data/AoiFile.h"
#include "player/data/ServiceShotFile.h"

#include <QCoreApplication>

namespace {

QString shown(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace

QString AoiDocument::open(const std::filesystem::path& movie)
{
    file_ = AoiFile::fileOf(movie);
    open_ = true;
    AoiFile::Result result;
    if (AoiFile::load(aois_, file_, loadFailed_, &result))
        return {};
    return QCoreApplication::translate(
               "PlayerWindow", "The file of areas of interest\n%1\ncannot be used: %2.\n\nIt is left as "
                               "it is: areas drawn now are saved to a new file beside it.")
        .arg(shown(file_), QString::fromStdString(AoiFile::describe(result)));
}

QString AoiDocument::close(const Ask& ask, bool programEnding)
{
    if (!open_)
        return {};
    QString told;
    if (aois_.modified()) {
        if (programEnding) {
            LOG("edited areas of interest saved without asking: the program is ending");
            saveEnding();
        } else if (ask(QCoreApplication::translate("PlayerWindow", "Save the edited areas of interest?"))) {
            told = saveAsking(ask);
        }
    }
    aois_.reset({});
    file_.clear();
    loadFailed_ = false;
    open_ = false;
    return told;
}

QString AoiDocument::saveAsking(const Ask& ask)
{
    std::filesystem::path savedTo;
    while (!AoiFile::save(aois_, file_, loadFailed_, &savedTo)) {
        const auto target = loadFailed_ ? besideShotFile(file_) : file_;
        if (!ask(QCoreApplication::translate("PlayerWindow",
                                             "The areas of interest could not be saved to\n%1\nTry again?")
                     .arg(shown(target))))
            return {};
    }
    if (savedTo == file_)
        return {};
    return QCoreApplication::translate(
               "PlayerWindow", "The file of areas of interest\n%1\ncould not be read, so it was left as "
                               "it is. The areas were saved to\n%2")
        .arg(shown(file_), shown(savedTo));
}

void AoiDocument::saveEnding()
{
    std::filesystem::path savedTo;
    // Where the file's own place cannot be written, a new file beside it still keeps the work.
    if (AoiFile::save(aois_, file_, loadFailed_, &savedTo) ||
        (!loadFailed_ && AoiFile::save(aois_, file_, true, &savedTo)))
        LOG("areas of interest saved to ", savedTo.string());
    else
        LOG("the edited areas of interest could not be saved beside ", file_.string(),
            "; the program is ending");
}
