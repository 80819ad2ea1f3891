#pragma once
// The files to remove when the process is interrupted: a fixed table of
// slots, shared by the POSIX signal handler and the Windows console control
// handler, which only read it.

namespace platform::detail {

// Arms a free slot with the path; the slot, or -1 when all are taken.
int ArmInterruptFile(const char* path);
// Disarms the slot (any value outside the table is ignored).
void DisarmInterruptFile(int slot);
// Calls remove(path) for each armed slot; uses no locks and no allocation,
// so that an interrupt handler may call it.
void RemoveArmedInterruptFiles(void (*remove)(const char* path));

}  // namespace platform::detail
