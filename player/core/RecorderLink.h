#pragma once

#include "platform/window_bus.h"

#include <cstdint>
#include <functional>

class AppCtrl;

// Everything the player tells the recorder's window and the camera recording's
// extension window: a code (LinkCode, which the extension numbers the same way)
// with a movie time each, and the extension's close request. Nothing else in
// the player posts a message.
class RecorderLink
{
public:
    // The title of the camera-registration extension's window.
    static constexpr const char* extensionTitle = "Orvalis Reelscan Gazeview Extension";

    // Hands one message to a window; the bus's postMessage unless replaced.
    using Post = std::function<void(const platform::WindowHandle& window, std::uint32_t identifier,
                                    std::uint64_t code, std::int64_t value)>;

    // app names the recorder's window and the recording offset; it must outlive this.
    explicit RecorderLink(AppCtrl& app);

    // For tests: messages go here instead of to the bus.
    void setPost(Post post) { post_ = std::move(post); }

    // Looks up the recorder's window by the caption given on the command line.
    void findRecorder();
    // Looks up the extension's window, which its program has had time to show.
    void findExtension();
    void setExtensionWindow(platform::WindowHandle window) { extensionWindow_ = std::move(window); }
    bool hasExtension() const { return !extensionWindow_.empty(); }

    // Posts one code with a movie time to the recorder in PLAY mode; false
    // when there is no recorder to post to.
    bool postToServer(std::uint64_t code, int positionMs) const;
    // Posts one code with the movie time shifted by the recording offset to
    // the extension's window, when there is one.
    bool postToExtension(std::uint64_t code, int positionMs) const;
    // The same code and time to both, each as it takes it.
    void postToBoth(std::uint64_t code, int positionMs) const;
    // Asks the extension's window to close.
    void closeExtension() const;

private:
    AppCtrl& app_;
    Post post_;
    platform::WindowHandle extensionWindow_;
};
