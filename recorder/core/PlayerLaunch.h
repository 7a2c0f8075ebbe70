#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// How the recorder starts the player: the command lines, as argument
// lists: the player first, then its arguments, each passed as it is, whatever
// blanks or quotes a path holds.
namespace PlayerLaunch {

// The player beside the running recorder.
QString playerExecutable();

// Plays the movie full screen on the last monitor, reporting to the recorder window.
// startMs/endMs are given only for a part of the movie.
QStringList examination(const QString& player, const QString& moviePath, const QString& recorderCaption,
                        const qint64* startMs = nullptr, const qint64* endMs = nullptr);

// Shows the last results over the movie; the part fields are passed as typed.
QStringList visualisation(const QString& player, const QString& moviePath, const QString& resultsPath,
                          const QString* startText = nullptr, const QString* endText = nullptr);

QStringList plain(const QString& player);

// The command as one line for the log, with blanks and quotes quoted.
QString displayText(const QStringList& command);

} // namespace PlayerLaunch

// Starts a program detached from the recorder. Returns false when it could not be
// started; otherwise sets *pid (when given) to the started process's id.
using DetachedStarter =
    std::function<bool(const QString& program, const QStringList& arguments, qint64* pid)>;

DetachedStarter systemDetachedStarter();

// Logs "Runing: " and the outcome and starts the command (the program and its arguments).
bool runDetachedCommand(const DetachedStarter& starter, const QStringList& command, qint64* pid = nullptr);
