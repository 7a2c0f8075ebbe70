#pragma once

struct PlayerState;

// The player's two settings files (Gazeview.ini and GazeviewGUI.ini, paths in
// PlayerState), read and written here only. A missing file or key gives the
// field's current value; a write replaces only its own key.
namespace PlayerSettings {

// Every key of Gazeview.ini and the GUI file's switches and language, each logged.
void read(PlayerState& app);
// The view scale from the GUI file.
void readViewScale(PlayerState& app);

// A GUI switch (showHeatmap, showActions, showPupil, showScanPath, showSynchrony,
// showLegend, showBigCounter) as "1" or "0".
void writeSwitch(const PlayerState& app, const char* key, bool on);
// The view scale as "100" or "50" percent.
void writeViewScale(const PlayerState& app);
// The presentation quality, "0" fast or "1" accurate.
void writeQuality(const PlayerState& app);
// The interface language for the next start.
void writeLanguage(const PlayerState& app, const char* language);

} // namespace PlayerSettings
