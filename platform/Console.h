#pragma once
// What a command-line program needs from its console and process.

#include <cstdio>
#include <string>

namespace platform {

// Whether the stream is a terminal (so a progress bar makes sense there).
bool IsTerminal(std::FILE* stream);
int CurrentProcessId();
// Moves `from` over `to` in one step, replacing `to` when it exists: a
// reader sees the old file or the new one, never a mixture.
bool RenameOver(const std::string& from, const std::string& to);
// Until Forget is called, an interrupt (Ctrl+C, a termination request)
// deletes this half-written file before the program ends.
void RemoveFileOnInterrupt(const std::string& path);
void ForgetFileOnInterrupt();

}  // namespace platform
