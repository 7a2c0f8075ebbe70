#pragma once

#include "recorder/trackers/GazePoint.h"

#include <QString>
#include <vector>

// Texts the recorder window shows for tracker states, calibration marks and keypoints.
namespace RecorderTexts {

// A text the window has always shown, from the window's catalogue: it keeps its place
// there wherever it is shown from (each marked with QT_TRANSLATE_NOOP where it is used,
// so that the catalogue tools keep finding it).
QString windowText(const char* text);

QString trackerStatus(int trackerState);
QString calibrationQuality(int quality);
// One line per interesting point: "0: 3723004 time: 1.2.3 gaze point pos:(960, 540)".
QString keypointsList(const std::vector<GazePoint>& points);
// False when empty or holding any of / \ : * ? " < > |
bool isValidExaminationId(const QString& id);

} // namespace RecorderTexts
