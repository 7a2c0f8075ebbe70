#include "recorder/PlayerCommands.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"

#include <QCoreApplication>
#include <QProcess>

namespace PlayerCommands {

namespace {
QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}
} // namespace

QString playerExecutable()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Gazeview");
}

QString examination(const QString& player, const QString& moviePath, const QString& recorderCaption,
                    const qint64* startMs, const qint64* endMs)
{
    QString command = quoted(player) + QStringLiteral(" -m ") + quoted(moviePath) +
                      QStringLiteral(" -p 0 -s ") + quoted(recorderCaption) + QStringLiteral(" -u -1");
    if (startMs && endMs)
        command += QStringLiteral(" -b %1 -e %2").arg(*startMs).arg(*endMs);
    return command;
}

QString visualisation(const QString& player, const QString& moviePath, const QString& resultsPath,
                      const QString* startText, const QString* endText)
{
    QString command = quoted(player) + QStringLiteral(" -m ") + quoted(moviePath) + QStringLiteral(" -f ") +
                      quoted(resultsPath);
    if (startText && endText)
        command += QStringLiteral(" -b ") + *startText + QStringLiteral(" -e ") + *endText;
    return command;
}

QString plain(const QString& player)
{
    return quoted(player);
}

} // namespace PlayerCommands

DetachedStarter systemDetachedStarter()
{
    return [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
}

bool runDetachedCommand(const DetachedStarter& starter, const QString& command)
{
    LOG("Runing: ", command);
    QStringList parts = QProcess::splitCommand(command);
    const bool started = !parts.isEmpty() && starter(parts.takeFirst(), parts);
    LOG(started ? "Process started" : "Process not started");
    return started;
}
