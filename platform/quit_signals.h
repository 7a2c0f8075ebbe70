#pragma once

class QObject;

namespace platform {

// SIGINT, SIGTERM and SIGHUP close the program as its window's close box would:
// the handler runs on the GUI thread (through a self-pipe), closes every window
// and quits the event loop, so the log ends with its closing line.
void quitOnTerminationSignals(QObject* owner);

// What a termination signal does, called on the GUI thread.
void endAsTerminated();

// A termination signal arrived and the windows are being closed because of it:
// nobody is there to answer a question.
bool terminationRequested();

} // namespace platform
