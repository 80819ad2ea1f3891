#pragma once
// Running a command to its end from a thread that has nothing else to do
// meanwhile (the command-line tool, the plug-in without a dialog).

#include <functional>

#include "commands/GenericCommand.h"

// Starts the command with a private message queue as the window to notify,
// hands every progress position (0-100) to `onProgress` and waits for the
// end.  True when the run finished (UM_RUNDONE), false when it failed or was
// stopped.  A failure to start is raised.
bool StartAndWait(GenericCommand& command, const std::function<void(int)>& onProgress = {});
