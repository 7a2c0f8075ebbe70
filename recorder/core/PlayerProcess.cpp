#include "recorder/core/PlayerProcess.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/processes.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/trackers/OperatorPrompt.h"

#include <QFileInfo>
#include <cstring>

using RecorderTexts::windowText;

PlayerProcess::PlayerProcess(OperatorPrompt& prompt, Services services, QObject* parent)
    : QObject(parent), prompt_(prompt), services_(std::move(services))
{
    if (!services_.startDetached)
        services_.startDetached = systemDetachedStarter();
    connect(&watch_, &platform::ProcessExitWatcher::exited, this, &PlayerProcess::exited);
}

bool PlayerProcess::found() const
{
    LOG("player path=", services_.playerPath);
    const bool found = QFileInfo::exists(services_.playerPath);
    LOG(found ? "Player found" : "Player not found");
    return found;
}

bool PlayerProcess::startExamination(const ExaminationInputs& inputs, qint64 startMs, qint64 endMs, bool part)
{
    const QStringList command =
        PlayerLaunch::examination(services_.playerPath, inputs.moviePath, services_.recorderCaption,
                                  part ? &startMs : nullptr, part ? &endMs : nullptr);
    qint64 pid = 0;
    if (!runDetachedCommand(services_.startDetached, command, &pid))
        return false;
    pid_ = pid;
    name_ = pid > 0 ? platform::processName(static_cast<pid_t>(pid)) : std::string();
    LOG("player pid: ", pid_, ", name: ", name_);
    if (pid > 0)
        watch_.watch(static_cast<pid_t>(pid));
    return true;
}

void PlayerProcess::stop()
{
    watch_.stop();
    const auto pid = static_cast<pid_t>(std::exchange(pid_, 0));
    // Only the process we started: its id may have been given to another program since.
    if (pid <= 0 || !platform::ProcessExitWatcher::isRunning(pid) || platform::processName(pid) != name_)
        return;
    LOG("ending player, pid: ", pid);
    platform::EndingHooks hooks;
    hooks.beforeKill = [pid] { LOG("player did not end - killing pid: ", pid); };
    if (const int error = platform::endProcessLater(pid, name_, services_.killGraceMs, std::move(hooks)))
        LOG("the player could not be asked to end, pid: ", pid, ", error: ", std::strerror(error));
}

void PlayerProcess::warnNotStarted(const QString& text)
{
    prompt_.warning(windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")), text);
}

void PlayerProcess::showResults(const ExaminationInputs& inputs, const QString& resultsPath)
{
    const bool part = inputs.partOfMovie;
    const QStringList command = PlayerLaunch::visualisation(
        services_.playerPath, inputs.moviePath, resultsPath, part ? &inputs.partStartText : nullptr,
        part ? &inputs.partEndText : nullptr);
    if (!runDetachedCommand(services_.startDetached, command))
        warnNotStarted(windowText(
            QT_TRANSLATE_NOOP("Gazelog", "Failed to run player.\nCheck whether file \"Gazeview\" is "
                                         "\nin the same directory as file \"Gazelog\".")));
}

void PlayerProcess::runPlain()
{
    if (!runDetachedCommand(services_.startDetached, PlayerLaunch::plain(services_.playerPath)))
        warnNotStarted(windowText(
            QT_TRANSLATE_NOOP("Gazelog", "Failed to run player.\nCheck whether file \"Gazeview\" is "
                                         "\nin the same directory as file \"Gazelog\" \nand whether "
                                         "all parameters are valid.")));
}
