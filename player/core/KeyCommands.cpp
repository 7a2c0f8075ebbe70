#include "player/core/KeyCommands.h"

#include "player/core/PlayerCommand.h"

#include <Qt>

int commandOfKey(int key, bool shift)
{
    switch (key) {
    case Qt::Key_Space:
        return ID_PAUSE_RESUME;
    case Qt::Key_Right:
        return shift ? ID_JUMP_FORWARD : ID_STEP_FORWARD;
    case Qt::Key_Left:
        return shift ? ID_JUMP_BACK : ID_STEP_BACKWARD;
    case Qt::Key_R:
        return ID_PREVIOUS_KEYPOINT;
    case Qt::Key_T:
        return ID_NEXT_KEYPOINT;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return ID_PREVIOUS_SHOT;
    case Qt::Key_Slash:
        return ID_START_OF_SHOT;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return ID_NEXT_SHOT;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return ID_TOGGLE_SHOT;
    case Qt::Key_F:
        return ID_FULL_SCREEN;
    default:
        return 0;
    }
}
