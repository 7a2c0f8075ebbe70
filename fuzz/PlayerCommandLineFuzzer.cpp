// The player's command line: the input holds the arguments after the program
// name, separated by NUL bytes (as a process receives them), in UTF-8. Whatever
// the arguments, the player state ends with a valid mode and play window.

#include "FuzzSupport.h"

#include "player/core/CommandLine.h"
#include "player/core/PlayerState.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdlib>

using fuzz_support::check;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_support::quietLog();
    // One screen, as the offscreen platform reports it, for the monitor choice.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "Gazeview";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's offscreen platform does not free its screens when the
    // application ends, and the leak checker would report them at exit.
    static QGuiApplication* const application = new QGuiApplication(argc, argv);
    (void)application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList arguments{QStringLiteral("/usr/bin/Gazeview")};
    std::string_view input = fuzz_support::asText(data, size);
    while (arguments.size() <= 64) {
        const size_t end = std::min(input.find('\0'), input.size());
        arguments.append(QString::fromUtf8(input.data(), static_cast<int>(end)));
        if (end == input.size())
            break;
        input.remove_prefix(end + 1);
    }

    PlayerState app;
    CommandLine::parse(app, arguments);

    using Mode = PlayerState::Mode;
    check(app.mode == Mode::None || app.mode == Mode::Play || app.mode == Mode::File ||
              app.mode == Mode::Directory,
          "mode out of range");
    check(app.beginTimeMs >= 0, "negative begin time");
    check(app.endTimeMs == -1 || app.endTimeMs >= 1, "end time below 1");
    check(app.playDelayMs >= 0, "negative play delay");
    check(app.mode == Mode::Play || app.playDelayMs == 0, "a play delay outside PLAY mode");
    check(app.serverWindowCaption.size() <= 259, "the window caption is longer than a window title can be");
    check(!app.quitCode || *app.quitCode == 0 || *app.quitCode == 1, "quit code other than 0 or 1");
    const auto monitorCount = static_cast<int>(app.monitors.size());
    check(app.monitorNum >= -1 && (monitorCount == 0 || app.monitorNum < monitorCount),
          "the chosen monitor does not exist");
    return 0;
}
