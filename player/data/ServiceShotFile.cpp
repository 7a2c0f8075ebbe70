#include "player/data/ServiceShotFile.h"

#include "common/Logger.h"
#include "player/data/ShotLine.h"

#include <string>

std::filesystem::path besideShotFile(const std::filesystem::path& shotFile)
{
    std::string stem = shotFile.filename().string();
    if (const std::string csv = ".csv"; stem.size() > csv.size() && stem.ends_with(csv))
        stem.resize(stem.size() - csv.size());
    std::filesystem::path candidate;
    for (int copy = 1; copy < 1000; ++copy) {
        const std::string suffix = copy == 1 ? ".edited.csv" : ".edited-" + std::to_string(copy) + ".csv";
        candidate = shotFile.parent_path() / (stem + suffix);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
            break;
    }
    return candidate;
}

bool ServiceShotFile(ShotLine& shots, const std::filesystem::path& shotFile, bool load,
                     std::filesystem::path* savedTo)
{
    LOG("ServiceShotFile fname: ", shotFile.string());
    if (!load) {
        std::filesystem::path target = shotFile;
        if (shots.loadFailed()) {
            // The file the list came from could not be read: it stays as it is.
            target = besideShotFile(shotFile);
            LOG("Shot file not loaded, saving beside it: ", target.string());
        }
        if (shots.save(target) != ShotLine::Loaded)
            return false;
        if (savedTo != nullptr)
            *savedTo = target;
        shots.clear();
        return true;
    }
    const int status = shots.load(shotFile);
    if (status == ShotLine::CannotOpen && !shots.loadFailed()) {
        // The first shot is there before anybody edits: closing asks only after an edit.
        shots.addShot(Shot{});
        shots.setModified(false);
        return true;
    }
    shots.setModified(false);
    shots.recount();
    if (status != ShotLine::Loaded) {
        LOG("Open shot file problem: ", status);
        return false;
    }
    return true;
}
