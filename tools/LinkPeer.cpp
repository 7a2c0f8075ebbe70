// link-peer: finds a window on the window-message bus by its title and posts
// WM_USER messages to it, one per "code:time" argument, in order ("close" posts
// WM_CLOSE). It plays the movie player's side of the link for tests and demos:
//
//     link-peer --title "Orvalis Reelscan Gazelog" 32:5000 8:0 8:64 16:100 4:200
//     link-peer --title "Orvalis Reelscan Gazelog" duration:5000 synchronisation:0 finished:200
//
// Codes are numbers or the names of the link's codes (duration, synchronisation,
// paused, resumed, interestingPoint, finished).
// Options: --wait-ms N keeps looking for the window up to N ms (default 0);
// --gap-ms N pauses N ms between messages (default 0).
// Exit codes: 0 every message posted, 1 bad use, 2 window not found,
// 3 a message was lost (the window went away or kept its queue full for 2 s).

#include "common/LinkCodes.h"
#include "common/ProgramHelp.h"
#include "platform/window_bus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace {

constexpr int queueFullPatienceMs = 2000;

struct Options
{
    QString title;
    int waitMs = 0;
    int gapMs = 0;
    std::vector<platform::WindowMessage> messages;
};

constexpr const char* usageText =
    "Usage: link-peer --title TITLE [--wait-ms N] [--gap-ms N] CODE:TIME|close ...\n"
    "Posts link messages to the window titled TITLE, as the other program of an examination does.\n"
    "  --title TITLE  the window to post to\n"
    "  --wait-ms N    how long to wait for that window to appear (default 0)\n"
    "  --gap-ms N     pause between two messages (default 0)\n"
    "  CODE:TIME      a link code, by number or name, and its value; close asks the window to close\n"
    "  -h, --help     show this help;  --version  show the version\n";

int usage(const QString& problem)
{
    std::cerr << ProgramHelp::problemText("link-peer", problem.toStdString());
    return 1;
}

std::optional<int> nonNegative(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

std::optional<std::uint64_t> namedCode(const QString& name)
{
    const std::pair<const char*, std::uint64_t> codes[] = {
        {"duration", LinkCode::duration}, {"synchronisation", LinkCode::synchronisation},
        {"paused", LinkCode::paused},     {"resumed", LinkCode::resumed},
        {"finished", LinkCode::finished}, {"interestingPoint", LinkCode::interestingPoint}};
    for (const auto& [codeName, code] : codes) {
        if (name == QLatin1String(codeName))
            return code;
    }
    return std::nullopt;
}

// "code:time" with a 32-bit code (or its name) and a signed 32-bit time in ms, or "close".
std::optional<platform::WindowMessage> parseMessage(const QString& text)
{
    if (text == QLatin1String("close"))
        return platform::WindowMessage{platform::WM_CLOSE, 0, 0};
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool codeOk = false;
    bool timeOk = false;
    std::uint64_t code = parts[0].toUInt(&codeOk);
    if (const auto named = namedCode(parts[0])) {
        code = *named;
        codeOk = true;
    }
    const int timeMs = parts[1].toInt(&timeOk);
    if (!codeOk || !timeOk)
        return std::nullopt;
    return platform::WindowMessage{platform::WM_USER, code, timeMs};
}

std::variant<Options, QString> parseArguments(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--title") || argument == QLatin1String("--wait-ms") ||
            argument == QLatin1String("--gap-ms")) {
            if (i + 1 >= arguments.size())
                return QStringLiteral("%1 needs a value").arg(argument);
            const QString& value = arguments[++i];
            if (argument == QLatin1String("--title")) {
                options.title = value;
                continue;
            }
            const auto number = nonNegative(value);
            if (!number)
                return QStringLiteral("%1 needs a number of ms, not \"%2\"").arg(argument, value);
            (argument == QLatin1String("--wait-ms") ? options.waitMs : options.gapMs) = *number;
        } else if (const auto message = parseMessage(argument)) {
            options.messages.push_back(*message);
        } else {
            return QStringLiteral("\"%1\" is neither an option nor CODE:TIME").arg(argument);
        }
    }
    if (options.title.isEmpty())
        return QStringLiteral("--title is required");
    return options;
}

platform::WindowHandle waitForWindow(const QString& title, int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        platform::WindowHandle window = platform::findWindow(title);
        if (!window.empty() || clock.elapsed() >= waitMs)
            return window;
        QThread::msleep(20);
    }
}

bool post(const platform::WindowHandle& window, const platform::WindowMessage& message)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        switch (platform::postMessage(window, message.identifier, message.wParam, message.lParam)) {
        case platform::PostResult::Posted:
            return true;
        case platform::PostResult::NoWindow:
            return false;
        case platform::PostResult::QueueFull:
            if (clock.elapsed() >= queueFullPatienceMs)
                return false;
            QThread::msleep(1);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    switch (ProgramHelp::requested(argc, argv)) {
    case ProgramHelp::Request::Help:
        std::cout << usageText;
        return 0;
    case ProgramHelp::Request::Version:
        return ProgramHelp::printVersion("link-peer", std::cout);
    case ProgramHelp::Request::None:
        break;
    }
    QCoreApplication app(argc, argv);
    const auto parsed = parseArguments(app.arguments());
    if (const auto* problem = std::get_if<QString>(&parsed))
        return usage(*problem);
    const Options& options = std::get<Options>(parsed);

    const platform::WindowHandle window = waitForWindow(options.title, options.waitMs);
    if (window.empty()) {
        std::cerr << "link-peer: no window titled \"" << options.title.toStdString() << "\"";
        if (const auto folder = platform::windowBusFolder(); !folder.path)
            std::cerr << " (" << folder.error << ")";
        std::cerr << "\n";
        return 2;
    }
    for (size_t i = 0; i < options.messages.size(); ++i) {
        if (i > 0 && options.gapMs > 0)
            QThread::msleep(static_cast<unsigned long>(options.gapMs));
        const auto& message = options.messages[i];
        if (!post(window, message)) {
            std::cerr << "link-peer: message " << message.identifier << " " << message.wParam << ":"
                      << message.lParam << " was lost\n";
            return 3;
        }
    }
    return 0;
}
