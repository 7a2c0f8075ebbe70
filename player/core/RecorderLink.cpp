#include "player/core/RecorderLink.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/AppCtrl.h"

RecorderLink::RecorderLink(AppCtrl& app)
    : app_(app), post_([](const platform::WindowHandle& window, std::uint32_t identifier, std::uint64_t code,
                          std::int64_t value) { platform::postMessage(window, identifier, code, value); })
{
}

void RecorderLink::findRecorder()
{
    if (app_.serverWindowCaption.isEmpty())
        return;
    if (const auto bus = platform::windowBusFolder(); !bus.path)
        LOG(bus.error);
    app_.serverWindow = platform::findWindow(app_.serverWindowCaption);
}

void RecorderLink::findExtension()
{
    extensionWindow_ = platform::findWindow(QString::fromLatin1(extensionTitle));
}

bool RecorderLink::postToServer(std::uint64_t code, int positionMs) const
{
    if (app_.mode != AppCtrl::Mode::Play || app_.serverWindow.empty())
        return false;
    post_(app_.serverWindow, platform::WM_USER, code, positionMs);
    return true;
}

bool RecorderLink::postToExtension(std::uint64_t code, int positionMs) const
{
    if (extensionWindow_.empty())
        return false;
    post_(extensionWindow_, platform::WM_USER, code, std::int64_t{positionMs} + app_.recordingOffset);
    return true;
}

void RecorderLink::postToBoth(std::uint64_t code, int positionMs) const
{
    if (postToServer(code, positionMs))
        LOG("PostMessage to server(", code, ", ", positionMs, ")");
    if (postToExtension(code, positionMs))
        LOG("PostMessage to ext(", code, ", ", positionMs + app_.recordingOffset, ")");
}

void RecorderLink::closeExtension() const
{
    if (!extensionWindow_.empty())
        post_(extensionWindow_, platform::WM_CLOSE, 0, 0);
}
