#pragma once

#include <QRgb>

// The colours of the overlay's marks, shared by the drawing and its legend.
namespace OverlayColours {

inline constexpr QRgb kFocus = 0x00FFFF;      // cyan: the focus ring of one viewer
inline constexpr QRgb kGaze = 0x00FF00;       // green: the gaze point of one viewer
inline constexpr QRgb kNearAction = 0xFF0000; // red: a pupil near a keypoint
inline constexpr QRgb kMark = 0xFF00FF;       // magenta: the pupil bar and the keypoint squares
inline constexpr QRgb kFixation = 0xFFFFD700; // gold: a fixation of the scan path
inline constexpr QRgb kSaccade = 0xFFFFFFFF;  // white: a saccade of the scan path

} // namespace OverlayColours
