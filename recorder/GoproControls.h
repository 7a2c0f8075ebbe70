#pragma once

#include <QObject>

namespace Ui {
class Gazelog;
}
class ExaminationWorkflow;
class GoproController;
class OperatorPrompt;

// The camera's part of the settings tab: the box that asks for the camera, its
// password, and the preview and movies buttons, enabled while the camera is set up.
class GoproControls : public QObject
{
    Q_OBJECT

public:
    GoproControls(Ui::Gazelog& form, ExaminationWorkflow& workflow, GoproController& camera,
                  OperatorPrompt& prompt, QObject* parent = nullptr);

private:
    void onUseStateChanged(int state);
    void onCameraSilent();
    void setButtonsEnabled(bool enabled);

    Ui::Gazelog& ui_;
    ExaminationWorkflow& workflow_;
    GoproController& camera_;
    OperatorPrompt& prompt_;
};
