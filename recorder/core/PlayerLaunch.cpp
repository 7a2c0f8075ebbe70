#include "recorder/core/PlayerLaunch.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"

#include <QCoreApplication>
#include <QProcess>

namespace PlayerLaunch {

QString playerExecutable()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Gazeview");
}

QStringList examination(const QString& player, const QString& moviePath, const QString& recorderCaption,
                        const qint64* startMs, const qint64* endMs)
{
    QStringList command{player,
                        QStringLiteral("-m"),
                        moviePath,
                        QStringLiteral("-p"),
                        QStringLiteral("0"),
                        QStringLiteral("-s"),
                        recorderCaption,
                        QStringLiteral("-u"),
                        QStringLiteral("-1")};
    if (startMs && endMs)
        command << QStringLiteral("-b") << QString::number(*startMs) << QStringLiteral("-e")
                << QString::number(*endMs);
    return command;
}

QStringList visualisation(const QString& player, const QString& moviePath, const QString& resultsPath,
                          const QString* startText, const QString* endText)
{
    QStringList command{player, QStringLiteral("-m"), moviePath, QStringLiteral("-f"), resultsPath};
    if (startText && endText)
        command << QStringLiteral("-b") << *startText << QStringLiteral("-e") << *endText;
    return command;
}

QStringList plain(const QString& player)
{
    return {player};
}

QString displayText(const QStringList& command)
{
    QStringList shown;
    for (QString argument : command) {
        if (argument.isEmpty() || argument.contains(QLatin1Char(' ')) ||
            argument.contains(QLatin1Char('"'))) {
            argument.replace(QLatin1Char('"'), QStringLiteral("\\\""));
            argument = QLatin1Char('"') + argument + QLatin1Char('"');
        }
        shown << argument;
    }
    return shown.join(QLatin1Char(' '));
}

} // namespace PlayerLaunch

DetachedStarter systemDetachedStarter()
{
    return [](const QString& program, const QStringList& arguments, qint64* pid) {
        return QProcess::startDetached(program, arguments, QString(), pid);
    };
}

bool runDetachedCommand(const DetachedStarter& starter, const QStringList& command, qint64* pid)
{
    LOG("Runing: ", PlayerLaunch::displayText(command));
    qint64 startedPid = 0;
    const bool started = !command.isEmpty() && starter(command.first(), command.mid(1), &startedPid);
    LOG(started ? "Process started" : "Process not started");
    if (started && pid)
        *pid = startedPid;
    return started;
}
