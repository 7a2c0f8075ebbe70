#pragma once

#include <QObject>
#include <QString>

class GoproController;
class OperatorPrompt;

// When the camera is used and what the operator is told when it cannot be: a
// camera missing from the network or refusing a request is told as a warning;
// one that does not answer at all is reported through silent(), once per request,
// so that the window can stop offering it.
class CameraRule : public QObject
{
    Q_OBJECT

public:
    // What became of the operator's wish to use the camera.
    enum class Use
    {
        off = 0,
        unavailable, // no camera on the network
        silent,      // it did not answer; told through silent()
        refused,     // it answered, but could not be set up
        ready,
    };

    // The prompt must outlive the rule.
    explicit CameraRule(OperatorPrompt& prompt, QObject* parent = nullptr);

    // The camera (not owned); null: none.
    void setCamera(GoproController* camera) { camera_ = camera; }

    // True when the camera is on the network; the operator is told when not.
    bool check();
    // Sets the camera up for the examinations when wanted.
    Use use(bool wanted, const QString& password);
    // Starts recording for an examination. False when it does not record.
    bool startRecording();
    // Ends the recording of an examination that ran.
    void stopRecording();
    // Ends the recording of an examination that never started; nobody is told.
    void cancelRecording();

Q_SIGNALS:
    // The camera did not answer a request at all; it is not to be used any more.
    void silent();

private:
    void warn(const QString& text);

    OperatorPrompt& prompt_;
    GoproController* camera_ = nullptr;
};
