#include "recorder/TrackerFactory.h"

#include "recorder/core/RecorderSettings.h"
#include "recorder/trackers/EyeTribeController.h"
#include "recorder/trackers/EyeXController.h"
#include "recorder/trackers/PupilController.h"

#include <QWidget>

EyeTrackerController* makeTrackerController(int trackerIndex, OperatorPrompt& prompt, QObject* parent)
{
    if (trackerIndex == 1)
        return new EyeXController(prompt, parent);
    if (trackerIndex == pupilTrackerIndex)
        return new PupilController(
            prompt, PupilSettings::load(RecorderSettings::defaultFile().value_or(std::filesystem::path())),
            parent);
    if (trackerIndex != 0)
        return nullptr;
    auto* controller = new EyeTribeController(prompt, parent);
    if (auto* window = qobject_cast<QWidget*>(parent)) {
        controller->setParentActivator([window] {
            window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            window->raise();
            window->activateWindow();
            window->setFocus();
        });
    }
    return controller;
}
