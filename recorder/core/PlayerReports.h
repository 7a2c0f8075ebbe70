#pragma once

#include "platform/window_bus.h"

#include <QObject>
#include <QString>
#include <functional>

class OperatorPrompt;

// The player's reports, posted to the recorder's caption on the window bus. Only
// the player's own kind of message reaches the handler; when the bus cannot take
// the caption the operator is told once and linkProblem() says why.
class PlayerReports : public QObject
{
    Q_OBJECT

public:
    // Returns true when the report was consumed.
    using Handler = std::function<bool(const platform::WindowMessage& report)>;

    // The prompt must outlive the reports.
    PlayerReports(OperatorPrompt& prompt, QString recorderCaption, Handler handler,
                  QObject* parent = nullptr);

    // Takes the reports from now on. False (the operator told why) when the player cannot report.
    bool listen();
    // Why the player cannot report to the recorder; empty when it can.
    QString linkProblem() const { return linkProblem_; }
    void setLinkProblem(const QString& problem) { linkProblem_ = problem; }

    // A message posted to the recorder. Returns true when it was consumed.
    bool handle(const platform::WindowMessage& message);

Q_SIGNALS:
    // The bus asked the recorder window to close.
    void closeRequested();

private:
    OperatorPrompt& prompt_;
    QString recorderCaption_;
    Handler handler_;
    QString linkProblem_;
    platform::WindowMessageReceiver* receiver_ = nullptr;
};
