#include "player/core/CommandLine.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/PlayerState.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <climits>

// The parse stays logged as the application object's operation, as it always was.
#define LOG_PARSE(...)                                                                                       \
    ::Logger::instance().write("void AppCtrl::ProcessCommandLine()", __LINE__, true, __VA_ARGS__)

namespace {

// The C library's conversion: leading blanks, a sign and digits ("abc" gives 0),
// saturating at the ends of the int range rather than wrapping.
int toInt(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min(limit, value * 10 + text[i].digitValue());
    return static_cast<int>(negative ? -value : value);
}

constexpr int captionLimit = 259;

void selectMonitor(PlayerState& app, const QString& value)
{
    app.monitorNum = toInt(value);
    LOG_PARSE("Given monitor num is ", app.monitorNum);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const QString handle =
            screen->name().isEmpty() ? QStringLiteral("#%1").arg(app.monitors.size()) : screen->name();
        app.monitors.emplace_back(area);
        // Right and bottom lie one past the last pixel.
        LOG_PARSE("Screen: ", handle, ", coordinates: ", area.left(), ", ", area.top(), ", ",
                  area.left() + area.width(), ", ", area.top() + area.height());
    }
    const int count = static_cast<int>(app.monitors.size());
    LOG_PARSE("Screen number: ", count);
    if (app.monitorNum >= count) {
        LOG_PARSE("Screen index ", app.monitorNum, " is too big");
        app.monitorNum = count - 1;
        LOG_PARSE("Monitor num set to ", app.monitorNum);
    } else if (app.monitorNum < 0) {
        app.monitorNum = count - 1;
        LOG_PARSE("Monitor num set to ", app.monitorNum);
    }
}

// The first problem is the one worth telling: later ones often follow from it.
void noteProblem(PlayerState& app, const std::string& problem)
{
    if (app.commandLineProblem.empty())
        app.commandLineProblem = problem;
}

} // namespace

namespace CommandLine {

void parse(PlayerState& app, const QStringList& arguments)
{
    LOG_PARSE("Command line arguments number: ", arguments.size());
    for (int i = 1; i < arguments.size(); ++i)
        LOG_PARSE(i, ": ", arguments[i]);

    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("--version")) {
            (argument == QLatin1String("--help") ? app.helpRequested : app.versionRequested) = true;
            app.RequestQuit(0);
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-'))) {
            LOG_PARSE("Every parameter name must be preceded by dash (-)");
            noteProblem(app, "'" + argument.toStdString() + "' is not an option");
            app.RequestQuit(1);
            break;
        }
        if (argument.size() == 1) {
            LOG_PARSE("Parameter should have a name (m, b, e, s, p, f, d or u)");
            noteProblem(app, "an option needs a name after its dash");
            app.RequestQuit(1);
            break;
        }
        const QChar letter = argument[1];
        if (!QStringLiteral("mbespfduh").contains(letter)) {
            LOG_PARSE("Unknown parameter name");
            noteProblem(app, "unknown option '" + argument.toStdString() + "'");
            app.RequestQuit(1);
            continue;
        }
        if (letter != QLatin1Char('h') && i + 1 >= arguments.size()) {
            LOG_PARSE("Every parameter should have a value");
            noteProblem(app, "option '" + argument.toStdString() + "' needs a value");
            app.RequestQuit(1);
            break;
        }
        switch (letter.unicode()) {
        case 'm':
            app.movieFileName = arguments[++i];
            break;
        case 'b':
            app.beginTimeMs = std::max(0, toInt(arguments[++i]));
            break;
        case 'e':
            app.endTimeMs = std::max(1, toInt(arguments[++i]));
            break;
        case 's':
            app.serverWindowCaption = arguments[++i].left(captionLimit);
            break;
        case 'p':
            if (app.mode == PlayerState::Mode::None) {
                app.mode = PlayerState::Mode::Play;
                app.playDelayMs = std::max(0, toInt(arguments[++i]));
            } else {
                // The value stays unread and comes next as a parameter name.
                LOG_PARSE("Parameter p excludes f and/or d");
                noteProblem(app, "-p excludes -f and -d");
                app.RequestQuit(1);
            }
            break;
        case 'f':
        case 'd':
            if (app.mode == PlayerState::Mode::None) {
                app.mode =
                    letter == QLatin1Char('f') ? PlayerState::Mode::File : PlayerState::Mode::Directory;
            } else {
                LOG_PARSE(letter == QLatin1Char('f') ? "Parameter f excludes d and/or p"
                                                     : "Parameter d excludes p and/or f");
                noteProblem(app, "-f, -d and -p exclude each other");
                app.RequestQuit(1);
            }
            app.resultsPath = arguments[++i];
            break;
        case 'u':
            selectMonitor(app, arguments[++i]);
            break;
        case 'h':
            // Whoever started the program reads the help on standard output;
            // there is no console window to keep open.
            app.helpRequested = true;
            app.RequestQuit(0);
            break;
        }
    }

    switch (app.mode) {
    case PlayerState::Mode::None:
        LOG_PARSE("Mode: NONE");
        break;
    case PlayerState::Mode::Play:
        LOG_PARSE("Mode: PLAY, delay time: ", app.playDelayMs);
        break;
    case PlayerState::Mode::File:
        LOG_PARSE("Mode: FILE");
        break;
    case PlayerState::Mode::Directory:
        LOG_PARSE("Mode: DIRECTORY");
        break;
    }
}

} // namespace CommandLine
