#pragma once
// Running the Hueloom command on what the host exchange read: the source
// (and the selection mask), the result back into the exchange's source.

#include <functional>
#include <string>

#include "commands/Hueloom.h"
#include "host/HostExchange.h"

// Runs `command` once on the exchange's source and mask and waits for its
// end.  On success the exchange's source holds the result (already mixed
// through the mask) and the answer is true.  A run that failed, was stopped
// or reported an error to the user answers false, with that error's text in
// `*error`, and changes nothing.
bool RunOnExchange(CHostExchange& exchange, Hueloom& command, const std::function<void(int)>& onProgress,
                   std::string* error);

// The plug-in where no dialog can be shown, like an editor's "repeat last
// filter": the command with the settings the user last had.
bool RunWithStoredSettings(CHostExchange& exchange);
