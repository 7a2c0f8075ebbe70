#pragma once

#include "platform/process_watch.h"
#include "recorder/core/ExaminationInputs.h"
#include "recorder/core/PlayerLaunch.h"

#include <QObject>
#include <QString>
#include <string>

class OperatorPrompt;

// The player as the recorder runs it: for an examination (watched, and ended
// with grace when the examination ends), over the last results, or on its own.
// A player that cannot be started is told to the operator.
class PlayerProcess : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        // Null: QProcess::startDetached.
        DetachedStarter startDetached;
        QString playerPath;
        // The caption the player reports to.
        QString recorderCaption;
        // How long the player has to end after being asked, before it is killed.
        int killGraceMs = 2000;
    };

    // The prompt must outlive the process.
    PlayerProcess(OperatorPrompt& prompt, Services services, QObject* parent = nullptr);

    bool found() const;
    // The examination's player, of the whole movie or (part) of startMs to endMs. False
    // when it could not be started; the caller tells the operator.
    bool startExamination(const ExaminationInputs& inputs, qint64 startMs, qint64 endMs, bool part);
    // Ends the examination's player, if it is still the process that was started.
    void stop();
    // The examination's player; 0 when none runs.
    qint64 pid() const { return pid_; }
    // The examination's player ended by itself.
    void forget() { pid_ = 0; }

    // Shows the results file over the movie.
    void showResults(const ExaminationInputs& inputs, const QString& resultsPath);
    // The player on its own.
    void runPlain();

Q_SIGNALS:
    // The examination's player ended, whoever ended it.
    void exited(qint64 pid);

private:
    void warnNotStarted(const QString& text);

    OperatorPrompt& prompt_;
    Services services_;
    qint64 pid_ = 0;
    std::string name_;
    platform::ProcessExitWatcher watch_;
};
