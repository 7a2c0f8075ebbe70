#pragma once

class EyeTrackerController;
class OperatorPrompt;
class QObject;

// The controller for the tracker chosen on the settings tab: 0 EyeTribe, 1 Tobii EyeX.
// Null when that tracker is not built into this program.
EyeTrackerController* makeTrackerController(int trackerIndex, OperatorPrompt& prompt, QObject* parent);
