#pragma once

#include "platform/window_bus.h"

#include <cstdint>

class AppCtrl;

// The messages the player posts to the recorder's window and to the camera
// recording's extension window: a code (LinkCode, which the extension numbers
// the same way) and a movie time each.
class ExaminationReports
{
public:
    // app names the recorder's window and the recording offset; it must outlive this.
    explicit ExaminationReports(const AppCtrl& app);

    // Posts one code with a movie time to the recorder in PLAY mode; false
    // when there is no recorder to post to.
    bool postToServer(std::uint64_t code, int positionMs) const;
    // Posts one code with the movie time shifted by the recording offset to
    // the extension's window, when there is one.
    bool postToExtension(std::uint64_t code, int positionMs) const;
    // Asks the extension's window to close.
    void closeExtension() const;

    void setExtensionWindow(platform::WindowHandle window) { extensionWindow_ = std::move(window); }
    bool hasExtension() const { return !extensionWindow_.empty(); }

private:
    const AppCtrl& app_;
    platform::WindowHandle extensionWindow_;
};
