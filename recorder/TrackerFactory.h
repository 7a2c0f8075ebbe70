#pragma once

class EyeTrackerController;
class OperatorPrompt;
class QObject;

// The index of Pupil Core in the settings tab's tracker box.
inline constexpr int pupilTrackerIndex = 2;

// The controller for the tracker chosen on the settings tab: 0 EyeTribe, 1 Tobii EyeX,
// 2 Pupil Core (with the settings from the settings file). Null when that tracker is
// not built into this program.
EyeTrackerController* makeTrackerController(int trackerIndex, OperatorPrompt& prompt, QObject* parent);
