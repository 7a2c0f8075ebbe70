#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The command lines with which the recorder starts the player, each one text that
// is split at blanks outside double quotes.
namespace PlayerCommands {

// The player beside the running recorder.
QString playerExecutable();

// Plays the movie full screen on the last monitor, reporting to the recorder window.
// startMs/endMs are given only for a part of the movie.
QString examination(const QString& player, const QString& moviePath, const QString& recorderCaption,
                    const qint64* startMs = nullptr, const qint64* endMs = nullptr);

// Shows the last results over the movie; the part fields are passed as typed.
QString visualisation(const QString& player, const QString& moviePath, const QString& resultsPath,
                      const QString* startText = nullptr, const QString* endText = nullptr);

QString plain(const QString& player);

} // namespace PlayerCommands

// Starts a program detached from the recorder. Returns false when it could not be started.
using DetachedStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

DetachedStarter systemDetachedStarter();

// Logs "Runing: " and the outcome, splits the command and starts it.
bool runDetachedCommand(const DetachedStarter& starter, const QString& command);
