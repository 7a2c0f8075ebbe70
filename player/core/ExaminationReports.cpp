#include "player/core/ExaminationReports.h"

#include "player/core/AppCtrl.h"

ExaminationReports::ExaminationReports(const AppCtrl& app) : app_(app) {}

bool ExaminationReports::postToServer(std::uint64_t code, int positionMs) const
{
    if (app_.mode != AppCtrl::Mode::Play || app_.serverWindow.empty())
        return false;
    platform::postMessage(app_.serverWindow, platform::WM_USER, code, positionMs);
    return true;
}

bool ExaminationReports::postToExtension(std::uint64_t code, int positionMs) const
{
    if (extensionWindow_.empty())
        return false;
    platform::postMessage(extensionWindow_, platform::WM_USER, code,
                          std::int64_t{positionMs} + app_.recordingOffset);
    return true;
}

void ExaminationReports::closeExtension() const
{
    if (!extensionWindow_.empty())
        platform::postMessage(extensionWindow_, platform::WM_CLOSE, 0, 0);
}
