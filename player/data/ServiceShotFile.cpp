#include "player/data/ServiceShotFile.h"

#include "common/Logger.h"
#include "player/data/ShotLine.h"

bool ServiceShotFile(ShotLine& shots, const std::filesystem::path& shotFile, bool load)
{
    LOG("ServiceShotFile fname: ", shotFile.string());
    if (!load) {
        if (shots.save(shotFile) != ShotLine::Loaded)
            return false;
        shots.clear();
        return true;
    }
    const int status = shots.load(shotFile);
    if (status == ShotLine::CannotOpen) {
        shots.addShot(Shot{});
        shots.setModified(true);
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
