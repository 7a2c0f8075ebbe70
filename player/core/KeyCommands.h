#pragma once

// The command (PlayerCommand) a key of the main window runs, Shift held or
// not; 0 for a key that runs none. Escape is not among them: it ends the movie
// itself.
int commandOfKey(int key, bool shift);
