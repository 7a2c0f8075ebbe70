#include "recorder/GoproControls.h"

#include "common/Logger.h"
#include "recorder/core/ExaminationWorkflow.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "ui_Gazelog.h"

using RecorderTexts::windowText;

GoproControls::GoproControls(Ui::Gazelog& form, ExaminationWorkflow& workflow, GoproController& camera,
                             OperatorPrompt& prompt, QObject* parent)
    : QObject(parent), ui_(form), workflow_(workflow), camera_(camera), prompt_(prompt)
{
    connect(ui_.buttonGoProPreview, &QPushButton::clicked, this, [this] {
        if (workflow_.checkCamera())
            camera_.showPreview();
    });
    connect(ui_.buttonGoProMovies, &QPushButton::clicked, this, [this] {
        if (workflow_.checkCamera())
            camera_.showMovies();
    });
    connect(ui_.checkBoxUseGoProCamera, &QCheckBox::stateChanged, this, &GoproControls::onUseStateChanged);
    connect(&workflow_, &ExaminationWorkflow::cameraSilent, this, &GoproControls::onCameraSilent);
}

void GoproControls::setButtonsEnabled(bool enabled)
{
    ui_.buttonGoProPreview->setEnabled(enabled);
    ui_.buttonGoProMovies->setEnabled(enabled);
}

void GoproControls::onUseStateChanged(int state)
{
    using Use = ExaminationWorkflow::CameraUse;
    const Use use = workflow_.useCamera(state != Qt::Unchecked, ui_.lineEditGoProPassword->text());
    if (use == Use::unavailable) {
        const QSignalBlocker block(ui_.checkBoxUseGoProCamera);
        ui_.checkBoxUseGoProCamera->setChecked(false);
    }
    // A camera that answered but refused the settings leaves the buttons as they were.
    if (use != Use::refused && use != Use::silent)
        setButtonsEnabled(use == Use::ready);
}

void GoproControls::onCameraSilent()
{
    LOG("Error - Gopro camera does not answer");
    const QSignalBlocker block(ui_.checkBoxUseGoProCamera);
    ui_.checkBoxUseGoProCamera->setChecked(false);
    setButtonsEnabled(false);
    prompt_.warning(
        windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")),
        windowText(QT_TRANSLATE_NOOP("Gazelog", "The GoPro camera does not answer, so it is not used.\n"
                                                "Check wifi connection and GoPro camera, then tick "
                                                "the box again.")));
}
