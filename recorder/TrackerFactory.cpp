#include "recorder/TrackerFactory.h"

#include "recorder/trackers/EyeTrackerController.h"

EyeTrackerController* makeTrackerController(int, OperatorPrompt&, QObject*)
{
    return nullptr;
}
