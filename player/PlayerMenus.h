#pragma once

#include <QHash>
#include <functional>

class QAction;
class QMenuBar;

// The player's command numbers: each menu item carries one, the keys and the
// start-up sequence use the same.
enum PlayerCommand : int
{
    ID_FILE_OPENCLIP = 40001,
    ID_FILE_EXIT = 40002,
    ID_FILE_INITCLIP = 40003,
    ID_FILE_CLOSE = 40004,
    ID_ADJUST_HORIZONTAL = 40005,
    ID_ADJUST_VERTICAL = 40006,
    ID_ADJUST_DEFAULT = 40007,
    ID_PREVIOUS_KEYPOINT = 40008,
    ID_NEXT_KEYPOINT = 40009,
    ID_PAUSE_RESUME = 40010,
    ID_DATA_FILTERED = 40013,
    ID_SINGLE_RESULT = 40014,
    ID_MULTI_RESULTS = 40015,
    ID_OPEN_RESULTS = 40016,
    ID_TOGGLE_SHOT = 40017,
    ID_CONSIDER_FOCUS_TIME = 40018,
    ID_PREVIOUS_SHOT = 40019,
    ID_NEXT_SHOT = 40020,
    ID_START_OF_SHOT = 40021,
    ID_SHOW_COUNTER = 40024,
    ID_NEW_EXAMINATION = 40025,
    ID_OPEN_RECORDING = 40028,
    ID_FAST_PRESENTATION = 40026,
    ID_ACCURATE_PRESENTATION = 40027,
    ID_STEP_FORWARD = 40029,
    ID_STEP_BACKWARD = 40030,
    ID_FULL_SCREEN = 40031,
    ID_JUMP_FORWARD = 40032,
    ID_JUMP_BACK = 40033,
    ID_SHOW_HEATMAP = 40034,
    ID_SHOW_PUPIL = 40035,
    ID_SHOW_KEYPOINTS = 40036,
    ID_BIGGEST_PUPIL = 40037,
    ID_SLOWER = 40038,
    ID_NORMAL_SPEED = 40039,
    ID_FASTER = 40040,
    ID_LOOP_SHOT = 40041,
    ID_EXPORT_VIDEO = 40042,
    ID_FIND_SHOTS = 40043,
    ID_ABOUT = 40120,
    ID_LANGUAGE_ENGLISH = 40201,
    ID_LANGUAGE_POLISH = 40202,
};

// Fills the menu bar; every item runs onCommand with its number. Items with a
// check mark are checkable. Returns the items by number.
QHash<int, QAction*> buildPlayerMenus(QMenuBar& bar, const std::function<void(int)>& onCommand);
