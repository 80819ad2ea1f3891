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

// Files being written at the same time (a batch on several threads) each
// hold one of these slots.
constexpr int kInterruptSlots = 32;
// Until ForgetFileOnInterrupt is called with the answer, an interrupt
// (Ctrl+C, a termination request) deletes this half-written file before the
// program ends.  Answers the slot, or -1 when every slot is taken (the file
// is then not looked after).
int RemoveFileOnInterrupt(const std::string& path);
void ForgetFileOnInterrupt(int slot);

// Makes the stream carry bytes as they are (Windows translates line ends
// in its text mode; elsewhere nothing changes), for pictures read from
// standard input or written to standard output.
void SetBinaryMode(std::FILE* stream);

}  // namespace platform
